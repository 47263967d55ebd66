#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "platform/autostart.h"
#include "platform/fs.h"

namespace danvore::platform {

namespace {

// XDG base directories: a relative XDG_CONFIG_HOME is to be ignored.
std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const struct passwd* entry = ::getpwuid(::getuid());
    home = entry != nullptr ? entry->pw_dir : "/";
  }
  return std::string(home) + "/.config";
}

std::string AutoStartFolder() {
  return ConfigHome() + "/autostart";
}

// The Exec key holds a quoted argument: inside the quotes ", `, $ and \ are
// escaped with a backslash, then the value's own escaping doubles every
// backslash again, and % is the field-code character.
std::string QuoteExec(const std::string& path) {
  std::string quoted = "\"";
  for (const char c : path) {
    switch (c) {
      case '"':
      case '`':
      case '$':
        quoted += "\\\\";
        quoted += c;
        break;
      case '\\':
        quoted += "\\\\\\\\";
        break;
      case '%':
        quoted += "%%";
        break;
      default:
        quoted += c;
    }
  }
  return quoted + "\"";
}

std::string DesktopEntry(const std::string& ProgramPath) {
  return std::string("[Desktop Entry]\n") + "Type=Application\n" + "Name=" + kAutoStartName + "\n" +
         "Exec=" + QuoteExec(ProgramPath) + "\n" + "Terminal=false\n" +
         "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace

std::string AutoStartLocation() {
  return AutoStartFolder() + "/" + kAutoStartName + ".desktop";
}

void SetAutoStart(bool On, const std::string& ProgramPath) {
  const std::string entry = AutoStartLocation();
  if (On) {
    if (!ForceDirectories(AutoStartFolder()) || !WriteFileAtomic(entry, DesktopEntry(ProgramPath)))
      throw std::runtime_error(std::string("Failed to set data for '") + kAutoStartName + "'");
    return;
  }
  if (!RemoveFile(entry) && errno != ENOENT)
    throw std::runtime_error(std::string("Failed to delete '") + kAutoStartName + "'");
}

}  // namespace danvore::platform
