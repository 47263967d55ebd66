// A cursor shown over the whole application while the object lives (the
// hourglass of an exchange with the register, the normal pointer for a
// question asked meanwhile); the previous one returns on every path.
#pragma once

#include <QApplication>

namespace danvore::ui {

class TOverrideCursor {
 public:
  explicit TOverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
  ~TOverrideCursor() { QApplication::restoreOverrideCursor(); }
  TOverrideCursor(const TOverrideCursor&) = delete;
  TOverrideCursor& operator=(const TOverrideCursor&) = delete;
};

}  // namespace danvore::ui
