#include "ui/ui_hooks.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include "platform/process.h"
#include "platform/serial.h"
#include "ui/app_title.h"
#include "ui/texts.h"

namespace danvore::ui {

TUiHooks DefaultHooks() {
  TUiHooks hooks;
  hooks.ShowMessage = [](QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString::fromStdString(ApplicationTitle()), text);
  };
  hooks.ShowInfo = [](QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox::information(parent, caption, text);
  };
  hooks.AskYesNo = [](QWidget* parent, const QString& text, const QString& caption) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  hooks.PickFolder = [](QWidget* parent, const QString& title, const QString& startDir) {
    const QString start = QDir(startDir).exists() && !startDir.isEmpty() ? startDir : QString();
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
  };
  hooks.ListPorts = [] { return platform::ListSerialPorts(); };
  hooks.Restart = [] { platform::RestartSelf(kRestartArgument); };
  hooks.TrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
  hooks.ExitNow = [](int code) { platform::ExitProcessNow(code); };
  return hooks;
}

TUiHooks& Hooks() {
  static TUiHooks hooks = DefaultHooks();
  return hooks;
}

}  // namespace danvore::ui
