#include "ui/app_title.h"

#include "ui/texts.h"

namespace danvore::ui {

namespace {

std::string& Title() {
  static std::string title = kApplicationTitle;
  return title;
}

}  // namespace

const std::string& ApplicationTitle() {
  return Title();
}

void SetApplicationTitle(const std::string& Title_) {
  Title() = Title_;
}

}  // namespace danvore::ui
