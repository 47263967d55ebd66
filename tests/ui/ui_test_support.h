// Shared helpers of the desktop tests: one QApplication on the offscreen
// platform, condition polling, a temporary program folder and hooks that
// record instead of opening boxes or ending the process.
#pragma once

#include <stdlib.h>

#include <QApplication>
#include <QString>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/program_dir.h"
#include "ui/ui_hooks.h"

namespace danvore::uitest {

inline QApplication& App() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return app;
}

// Runs the event loop until pred() holds or the time is up.
template <typename Pred>
bool PollUntil(Pred pred, int timeoutMs = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class TTempDir {
 public:
  TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "danvore-ui-XXXXXX").string();
    FPath = ::mkdtemp(pattern.data());
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  std::string Path(const std::string& name = {}) const {
    return name.empty() ? FPath : FPath + "/" + name;
  }

 private:
  std::string FPath;
};

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Records what the window would show or do through its hooks.
struct THookRecorder {
  std::vector<QString> Messages;
  // The entry's boxes: text and caption.
  std::vector<std::pair<QString, QString>> Infos;
  std::vector<QString> Questions;
  std::vector<QThread*> QuestionThreads;
  bool YesAnswer = true;
  std::vector<QString> PickerTitles;
  std::vector<QString> PickerStarts;
  QString PickerAnswer;
  std::vector<std::string> Ports;
  int Restarts = 0;
  std::vector<int> Exits;
  bool Tray = false;

  void Install() {
    ui::TUiHooks& hooks = ui::Hooks();
    hooks.ShowMessage = [this](QWidget*, const QString& text) { Messages.push_back(text); };
    hooks.ShowInfo = [this](QWidget*, const QString& text, const QString& caption) {
      Infos.emplace_back(text, caption);
    };
    hooks.AskYesNo = [this](QWidget*, const QString& text, const QString&) {
      Questions.push_back(text);
      QuestionThreads.push_back(QThread::currentThread());
      return YesAnswer;
    };
    hooks.PickFolder = [this](QWidget*, const QString& title, const QString& start) {
      PickerTitles.push_back(title);
      PickerStarts.push_back(start);
      return PickerAnswer;
    };
    hooks.ListPorts = [this] { return Ports; };
    hooks.Restart = [this] { ++Restarts; };
    hooks.TrayAvailable = [this] { return Tray; };
    hooks.ExitNow = [this](int code) { Exits.push_back(code); };
  }
};

// A program folder of its own for each test, with the autostart entries
// redirected into it; everything is put back afterwards.
class TProgramFolder {
 public:
  TProgramFolder() {
    SetProgramDir(FDir.Path());
    FreeConfig();
    ::setenv("XDG_CONFIG_HOME", FDir.Path("xdg").c_str(), 1);
  }
  ~TProgramFolder() {
    FreeConfig();
    SetProgramDir(std::string());
    ::unsetenv("XDG_CONFIG_HOME");
  }
  TProgramFolder(const TProgramFolder&) = delete;
  TProgramFolder& operator=(const TProgramFolder&) = delete;

  std::string Path(const std::string& name = {}) const { return FDir.Path(name); }
  std::string ConfigPath() const { return FDir.Path("Config.Ini"); }
  void WriteConfig(const std::string& systemKeys) const {
    WriteText(ConfigPath(), "[System]\n" + systemKeys);
  }

 private:
  TTempDir FDir;
};

}  // namespace danvore::uitest
