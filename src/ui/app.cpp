#include "ui/app.h"

#include <QApplication>
#include <QTimer>
#include <string>

#include "core/logger.h"
#include "ui/app_title.h"
#include "ui/artwork.h"
#include "ui/main_window.h"
#include "ui/start_locks.h"
#include "ui/texts.h"
#include "ui/ui_hooks.h"

namespace danvore::ui {

namespace {

constexpr int kScreenshotDelayMs = 1500;

// The file named after "--screenshot", empty when the option is absent.
QString ScreenshotFile(const QStringList& args) {
  const qsizetype pos = args.indexOf(QStringLiteral("--screenshot"));
  return pos >= 0 && pos + 1 < args.size() ? args.at(pos + 1) : QString();
}

// Waits a little so that the log pane has had its first refresh.
void ScheduleScreenshot(TfrmMain& window, const QString& file) {
  window.show();
  QTimer::singleShot(kScreenshotDelayMs, &window, [&window, file] {
    const bool saved = window.grab().save(file);
    QApplication::exit(saved ? 0 : 1);
  });
}

}  // namespace

int RunApplication(int argc, char** argv) {
  QApplication app(argc, argv);
  TStartLocks locks(ProgramLockClaims());
  if (!locks.Take(argc)) return 0;
  // The window hides into the tray and boxes may appear while it is hidden:
  // only closing the window ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(ApplicationIcon());
  SetApplicationTitle(kApplicationTitle);
  TfrmMain window;
  if (const std::string error = locks.FolderError(); !error.empty())
    AddLog(llWarning, "Program folder not locked, danvore-cli is not kept out: " + error, true);
  const QString screenshot = ScreenshotFile(QApplication::arguments());
  if (!screenshot.isEmpty()) {
    ScheduleScreenshot(window, screenshot);
  } else if (window.StartShown()) {
    window.show();
  }
  const int code = QApplication::exec();
  locks.ReleaseNamed();
  window.FormDestroy();
  locks.ReleaseFolder();
  Hooks().ExitNow(screenshot.isEmpty() ? 0 : code);
  return code;
}

}  // namespace danvore::ui
