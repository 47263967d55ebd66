// The points where the desktop application meets the operator or ends
// itself: message boxes, questions, the folder picker, the restart and the
// immediate exit. Tests replace them so that no real box opens and the test
// program keeps running.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace danvore::ui {

struct TUiHooks {
  // A simple message box: the text, the application title as caption, OK.
  std::function<void(QWidget* Parent, const QString& Text)> ShowMessage;
  // A message box with a caption of its own and OK (the entry's boxes).
  std::function<void(QWidget* Parent, const QString& Text, const QString& Caption)> ShowInfo;
  // A question with Yes and No; true for Yes.
  std::function<bool(QWidget* Parent, const QString& Text, const QString& Caption)> AskYesNo;
  // The folder picker; an empty result when the user cancelled.
  std::function<QString(QWidget* Parent, const QString& Title, const QString& StartDir)> PickFolder;
  // The serial ports of the machine, for the port list.
  std::function<std::vector<std::string>()> ListPorts;
  // Starts the program's own executable again with the argument Restart.
  std::function<void()> Restart;
  // Whether the desktop has a system tray to hide the window in.
  std::function<bool()> TrayAvailable;
  // Ends the process at once with the exit code.
  std::function<void(int Code)> ExitNow;
};

// The hooks in force; the defaults use real dialogs and the platform layer.
TUiHooks& Hooks();
TUiHooks DefaultHooks();

}  // namespace danvore::ui
