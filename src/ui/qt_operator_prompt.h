// The desktop answers to the worker's operator questions. A question put on
// the user-interface thread (a manual Z report) is shown at once; one put by
// the worker's thread is shown on the user-interface thread while the worker
// waits for the answer.
#pragma once

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "manager/operator_prompt.h"

class QWidget;

namespace danvore::ui {

class TQtOperatorPrompt : public QObject, public IOperatorPrompt {
  Q_OBJECT

 public:
  // Lives on the thread that creates it, which must be the user-interface
  // thread. Window: the parent of the "Print Now?" box.
  explicit TQtOperatorPrompt(QWidget* Window = nullptr);

  bool AskPrintNow() override;
  bool ShowTransferConfirm(THecrLink& link) override;
  // Every question in progress ends as No / Cancel, now and from now on.
  void Abort() override;

  // How the transfer dialog is shown (tests replace it).
  std::function<bool(THecrLink&)> TransferDialog;

 private:
  // Runs Question on the user-interface thread and waits for its answer;
  // false once aborted.
  bool Ask(const std::function<bool()>& Question);

  QPointer<QWidget> FWindow;
  std::mutex FMutex;
  std::condition_variable FAnswered;
  bool FAborted = false;
};

}  // namespace danvore::ui
