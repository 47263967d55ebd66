// The program's entry: one running copy, the application object, the main
// window and the ordered shut-down.
#pragma once

namespace danvore::ui {

// Runs the desktop application; returns only when it did not start (another
// copy runs, or another program works the program folder). Any argument
// skips the single-copy check, as the restart of the apply step needs; the
// program folder is still waited for (see TStartLocks). The hidden option
// "--screenshot FILE" shows the window, saves a picture of it to FILE and
// ends.
int RunApplication(int argc, char** argv);

}  // namespace danvore::ui
