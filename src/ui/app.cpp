#include "ui/app.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <optional>

#include "platform/instance_lock.h"
#include "ui/app_title.h"
#include "ui/artwork.h"
#include "ui/main_window.h"
#include "ui/texts.h"
#include "ui/ui_hooks.h"

namespace danvore::ui {

namespace {

constexpr int kScreenshotDelayMs = 1500;
constexpr int kClaimRetryMs = 500;

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
  std::optional<platform::TInstanceLock> instance(platform::TInstanceLock::Named(kInstanceName));
  const bool busy = instance->State() == platform::TLockState::Busy;
  if (busy && argc <= 1) {
    QApplication app(argc, argv);
    QMessageBox::information(nullptr, QString::fromUtf8(kInfo), QString::fromUtf8(kAlreadyRunning));
    return 0;
  }
  QApplication app(argc, argv);
  // A copy started with arguments runs beside the one holding the lock; the
  // restart ends that one at once, and the new copy then takes the lock over
  // so that a later plain start still finds a running copy.
  QTimer claim;
  claim.setInterval(kClaimRetryMs);
  QObject::connect(&claim, &QTimer::timeout, [&instance, &claim] {
    platform::TInstanceLock retry = platform::TInstanceLock::Named(kInstanceName);
    if (!retry.Acquired()) return;
    instance = std::move(retry);
    claim.stop();
  });
  if (busy) claim.start();
  // The window hides into the tray and boxes may appear while it is hidden:
  // only closing the window ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(ApplicationIcon());
  SetApplicationTitle(kApplicationTitle);
  TfrmMain window;
  const QString screenshot = ScreenshotFile(QApplication::arguments());
  if (!screenshot.isEmpty()) {
    ScheduleScreenshot(window, screenshot);
  } else if (window.StartShown()) {
    window.show();
  }
  const int code = QApplication::exec();
  instance.reset();
  window.FormDestroy();
  Hooks().ExitNow(screenshot.isEmpty() ? 0 : code);
  return code;
}

}  // namespace danvore::ui
