// The program's entry: one running copy, the application object, the main
// window and the ordered shut-down.
#pragma once

namespace danvore::ui {

// Runs the desktop application; returns only when it did not start (another
// copy runs). Any argument skips the single-copy check, as the restart of
// the apply step needs. The hidden option "--screenshot FILE" shows the
// window, saves a picture of it to FILE and ends.
int RunApplication(int argc, char** argv);

}  // namespace danvore::ui
