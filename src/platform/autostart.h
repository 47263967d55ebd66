// Starting the bridge together with the user's session: the Run-key value of
// the local machine on Windows, an XDG autostart entry elsewhere.
#pragma once

#include <string>

namespace danvore::platform {

// The name of the registry value and of the autostart entry.
inline constexpr const char* kAutoStartName = "DanvoreDriver";

// On: registers ProgramPath (no quotes, no arguments) to start with the
// session. Off: removes the registration; a missing one is no error.
// Throws std::runtime_error "Failed to set data for 'DanvoreDriver'" when
// the registration cannot be written, and "Failed to delete 'DanvoreDriver'"
// when an existing one cannot be removed.
void SetAutoStart(bool On, const std::string& ProgramPath);

// Where the registration lives, for messages and tests: the registry key
// path on Windows, the entry's file path elsewhere ($XDG_CONFIG_HOME, or
// ~/.config when unset, + "/autostart/DanvoreDriver.desktop").
std::string AutoStartLocation();

}  // namespace danvore::platform
