#include "ui/about.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_title.h"
#include "ui/artwork.h"
#include "ui/texts.h"

namespace danvore::ui {

void GetAboutInfo(const std::string& AppTitle, TAboutInfo& Info) {
  Info.Version = kDefaultVersion;
  const std::size_t open = AppTitle.find('[');
  if (open == std::string::npos) {
    Info.Title = AppTitle;
    return;
  }
  Info.Title = AppTitle.substr(0, open);
  const std::string rest = AppTitle.substr(open + 1);
  const std::size_t close = rest.find(']');
  if (close != std::string::npos) Info.Version = kVersionPrefix + rest.substr(0, close);
}

namespace {

QLabel* BoldLabel(const QString& name, int pixelHeight, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setBold(true);
  font.setPixelSize(pixelHeight);
  label->setFont(font);
  return label;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* Parent) : QDialog(Parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);

  imgInfor = new QLabel(this);
  imgInfor->setObjectName(QStringLiteral("imgInfor"));
  imgInfor->setPixmap(ProductArtwork(QSize(500, 300)));
  imgInfor->setFixedSize(500, 298);
  imgInfor->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lbCaption = BoldLabel(QStringLiteral("lbCaption"), 27, this);
  lbVersion = BoldLabel(QStringLiteral("lbVersion"), 13, this);
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->addStretch();
  text->addWidget(lbCaption);
  text->addWidget(lbVersion);
  text->addStretch();
  text->addWidget(btnOk, 0, Qt::AlignRight);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 12, 12);
  layout->addWidget(imgInfor);
  layout->addLayout(text);
  setFixedSize(734, 298);
}

void TfrmAbout::Fill(const TAboutInfo& Info) {
  lbCaption->setText(QString::fromStdString(Info.Title));
  lbVersion->setText(QString::fromStdString(Info.Version));
}

void ShowAbout() {
  TfrmAbout form;
  TAboutInfo info;
  GetAboutInfo(ApplicationTitle(), info);
  form.Fill(info);
  form.exec();
}

}  // namespace danvore::ui
