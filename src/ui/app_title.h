// The application title that the entry sets: the main window's caption, the
// message boxes' caption and the source of the about box's texts.
#pragma once

#include <string>

namespace danvore::ui {

const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& Title);

}  // namespace danvore::ui
