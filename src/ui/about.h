// The about box: product name and version, both taken from the
// application title.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace danvore::ui {

struct TAboutInfo {
  std::string Title;
  std::string Version;
};

// Splits a title such as "DANVORE[1.0.0.10]" into the product name and the
// version line "Version: 1.0.0.10"; without a bracketed version the line is
// "Version: V1.0.0.0".
void GetAboutInfo(const std::string& AppTitle, TAboutInfo& Info);

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* Parent = nullptr);
  void Fill(const TAboutInfo& Info);

  QLabel* imgInfor;
  QLabel* lbCaption;
  QLabel* lbVersion;
  QPushButton* btnOk;
};

// Shows the about box of the application title modally.
void ShowAbout();

}  // namespace danvore::ui
