#include "ui/qt_operator_prompt.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <memory>

#include "ui/sel_print.h"
#include "ui/ui_hooks.h"

namespace danvore::ui {

namespace {

struct TAnswer {
  bool Done = false;
  bool Value = false;
};

// Closes the dialogs and boxes that are open on the user-interface thread.
void RejectOpenDialogs() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible())
      dialog->reject();
  }
}

}  // namespace

TQtOperatorPrompt::TQtOperatorPrompt(QWidget* Window)
    : TransferDialog([](THecrLink& link) { return ui::ShowTransferConfirm(link); }),
      FWindow(Window) {}

bool TQtOperatorPrompt::AskPrintNow() {
  return Ask([this] {
    return Hooks().AskYesNo(FWindow, QString::fromUtf8(kPrintNowText),
                            QString::fromUtf8(kPrintNowCaption));
  });
}

bool TQtOperatorPrompt::ShowTransferConfirm(THecrLink& link) {
  return Ask([this, &link] { return TransferDialog(link); });
}

void TQtOperatorPrompt::Abort() {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FAborted = true;
  }
  FAnswered.notify_all();
  QMetaObject::invokeMethod(this, &RejectOpenDialogs, Qt::QueuedConnection);
}

bool TQtOperatorPrompt::Ask(const std::function<bool()>& Question) {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    if (FAborted) return false;
  }
  if (QThread::currentThread() == thread()) return Question();
  auto answer = std::make_shared<TAnswer>();
  QMetaObject::invokeMethod(
      this,
      [this, answer, Question] {
        bool aborted = false;
        {
          std::lock_guard<std::mutex> lock(FMutex);
          aborted = FAborted;
        }
        const bool value = !aborted && Question();
        {
          std::lock_guard<std::mutex> lock(FMutex);
          answer->Value = value;
          answer->Done = true;
        }
        FAnswered.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(FMutex);
  FAnswered.wait(lock, [&] { return answer->Done || FAborted; });
  return answer->Done && !FAborted && answer->Value;
}

}  // namespace danvore::ui
