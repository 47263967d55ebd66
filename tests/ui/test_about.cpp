#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "ui/about.h"
#include "ui/app_title.h"
#include "ui_test_support.h"

namespace danvore::ui {
namespace {

struct TTitleCase {
  const char* Title;
  const char* Product;
  const char* Version;
};

TEST(GetAboutInfo, SplitsTheTitleIntoProductAndVersion) {
  const TTitleCase cases[] = {
      {"DANVORE[1.0.0.10]", "DANVORE", "Version: 1.0.0.10"},
      {"DANVORE", "DANVORE", "Version: V1.0.0.0"},
      {"DANVORE[1.0.0.10", "DANVORE", "Version: V1.0.0.0"},
      {"[2.1]", "", "Version: 2.1"},
      {"DANVORE[1.2]tail]more", "DANVORE", "Version: 1.2"},
      {"A[]", "A", "Version: "},
      {"A[1][2]", "A", "Version: 1"},
      {"", "", "Version: V1.0.0.0"},
      {"A]B[3]", "A]B", "Version: 3"},
  };
  for (const TTitleCase& c : cases) {
    TAboutInfo info{"stale", "stale"};
    GetAboutInfo(c.Title, info);
    EXPECT_EQ(info.Title, c.Product) << c.Title;
    EXPECT_EQ(info.Version, c.Version) << c.Title;
  }
}

TEST(AboutBox, ShowsTheTitleOfTheApplicationModally) {
  uitest::App();
  SetApplicationTitle("DANVORE[1.0.0.10]");
  QString caption;
  QString version;
  bool wasModal = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    wasModal = box->isModal();
    caption = box->lbCaption->text();
    version = box->lbVersion->text();
    box->btnOk->click();
  });
  ShowAbout();
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(caption, QStringLiteral("DANVORE"));
  EXPECT_EQ(version, QStringLiteral("Version: 1.0.0.10"));
}

TEST(AboutBox, HasTheFixedLayout) {
  uitest::App();
  TfrmAbout box;
  EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(box.size(), QSize(734, 298));
  EXPECT_TRUE(box.btnOk->isDefault());
  EXPECT_EQ(box.btnOk->text(), QStringLiteral("OK"));
  EXPECT_TRUE(box.lbCaption->font().bold());
  EXPECT_EQ(box.lbCaption->font().pixelSize(), 27);
  EXPECT_EQ(box.lbVersion->font().pixelSize(), 13);
  EXPECT_EQ(box.imgInfor->pixmap().size(), QSize(500, 300));
}

}  // namespace
}  // namespace danvore::ui
