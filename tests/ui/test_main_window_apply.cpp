#include <QCheckBox>
#include <functional>

#include "main_window_fixture.h"
#include "platform/fs.h"
#include "ui/texts.h"

namespace danvore::ui {
namespace {

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// Types into a field character by character; each one passes the field's
// validator, as a key press would.
void Type(QLineEdit* field, const QString& text) {
  for (const QChar c : text)
    field->insert(QString(c));
}

struct TRefusal {
  const char* Name;
  std::function<void(TfrmMain&, const uitest::TProgramFolder&)> Change;
  const char* Message;
  std::function<QWidget*(TfrmMain&)> Focus;
};

TEST_F(MainWindowTest, ApplyRefusesEachMissingSettingAndMovesTheFocus) {
  const TRefusal cases[] = {
      {"no address", [](TfrmMain& w, auto&) { w.meIPAddress->clear(); }, kIpEmpty,
       [](TfrmMain& w) { return w.meIPAddress; }},
      {"half-typed address",
       [](TfrmMain& w, auto&) {
         w.meIPAddress->clear();
         Type(w.meIPAddress, QStringLiteral("192.168.x"));
         EXPECT_EQ(w.meIPAddress->text(), QStringLiteral("192.168."));
       },
       kIpEmpty, [](TfrmMain& w) { return w.meIPAddress; }},
      {"address with three parts", [](TfrmMain& w, auto&) { w.meIPAddress->setText("10.0.0"); },
       kIpEmpty, [](TfrmMain& w) { return w.meIPAddress; }},
      {"address with a part over 255",
       [](TfrmMain& w, auto&) { w.meIPAddress->setText("10.0.0.256"); }, kIpEmpty,
       [](TfrmMain& w) { return w.meIPAddress; }},
      {"no TCP port", [](TfrmMain& w, auto&) { w.cePort->clear(); }, kPortEmpty,
       [](TfrmMain& w) { return w.cePort; }},
      {"no serial port",
       [](TfrmMain& w, auto&) {
         w.rbSerialPort->click();
         w.cbbPortNames->setCurrentIndex(-1);
       },
       kPortNameEmpty, [](TfrmMain& w) { return w.cbbPortNames; }},
      {"no speed",
       [](TfrmMain& w, auto&) {
         w.rbSerialPort->click();
         w.cbbPortNames->setCurrentIndex(1);
         w.cbbBaudRate->setCurrentIndex(-1);
       },
       kBaudRateEmpty, [](TfrmMain& w) { return w.cbbBaudRate; }},
      {"no input encoding", [](TfrmMain& w, auto&) { w.cbbInEncoding->setCurrentIndex(-1); },
       kInEncodingEmpty, [](TfrmMain& w) { return w.cbbInEncoding; }},
      {"no output encoding", [](TfrmMain& w, auto&) { w.cbbOutEncoding->setCurrentIndex(-1); },
       kOutEncodingEmpty, [](TfrmMain& w) { return w.cbbOutEncoding; }},
      {"blank folder", [](TfrmMain& w, auto&) { w.bedtPath->setText(QStringLiteral("   ")); },
       kPathEmpty, [](TfrmMain& w) { return w.bedtPath; }},
      {"folder under a file",
       [](TfrmMain& w, const uitest::TProgramFolder& f) {
         uitest::WriteText(f.Path("plain"), "x");
         w.bedtPath->setText(QString::fromStdString(f.Path("plain/in")));
       },
       kPathInvalid, [](TfrmMain& w) { return w.bedtPath; }},
      {"no decimal symbol", [](TfrmMain& w, auto&) { w.cbbDecimalSymbol->setCurrentIndex(-1); },
       kDecimalEmpty, [](TfrmMain& w) { return w.cbbDecimalSymbol; }},
  };
  TfrmMain& w = Create();
  w.show();
  for (const TRefusal& c : cases) {
    FHooks.Messages.clear();
    FillValid(w);
    c.Change(w, FFolder);
    w.txtLog->setFocus();
    w.btnApplyClick();
    ASSERT_EQ(FHooks.Messages.size(), 1u) << c.Name;
    EXPECT_EQ(FHooks.Messages[0], Q(c.Message)) << c.Name;
    EXPECT_EQ(w.focusWidget(), c.Focus(w)) << c.Name;
    EXPECT_FALSE(platform::FileExists(FFolder.ConfigPath())) << c.Name;
    EXPECT_EQ(FHooks.Restarts, 0) << c.Name;
    EXPECT_TRUE(FHooks.Exits.empty()) << c.Name;
    EXPECT_TRUE(GetConfig().AppRunning) << c.Name;
  }
}

TEST_F(MainWindowTest, RefusedApplyKeepsEarlierStepsInMemoryOnly) {
  TfrmMain& w = Create();
  FillValid(w);
  w.cbbOutEncoding->setCurrentIndex(-1);
  w.btnApplyClick();
  EXPECT_EQ(GetConfig().ConnKind, ctEthernet);
  EXPECT_EQ(GetConfig().Host, "127.0.0.1");
  EXPECT_EQ(GetConfig().Port, 6000);
  EXPECT_EQ(GetConfig().InEncodingName, "Default");
  EXPECT_FALSE(platform::FileExists(FFolder.ConfigPath()));
}

struct TAccepted {
  const char* Name;
  std::function<void(TfrmMain&)> Change;
  int ConnKind;
  const char* Host;
  int Port;
  const char* InEncoding;
  const char* OutEncoding;
  int DecimalType;
  bool AllVoid;
  bool Boot;
};

TEST_F(MainWindowTest, ApplySavesTheSettingsAndRestarts) {
  const TAccepted cases[] = {
      {"ethernet, fraction cut off, autostart",
       [](TfrmMain& w) {
         w.cePort->setText(QStringLiteral("6000.9"));
         w.cbbInEncoding->setCurrentIndex(3);
         w.cbbOutEncoding->setCurrentIndex(4);
         w.cbbDecimalSymbol->setCurrentIndex(1);
         w.cbAllVoidBeforeExecute->setChecked(false);
         w.chkStartWithWindows->setChecked(true);
       },
       ctEthernet, "127.0.0.1", 6000, "737", "1253", 1, false, true},
      {"usb ids",
       [](TfrmMain& w) {
         w.rbUSB->click();
         w.cbAllVoidBeforeExecute->setChecked(true);
         w.chkStartWithWindows->setChecked(false);
       },
       ctUsb, "22352", 1155, "Default", "Default", 0, true, false},
      {"serial port and speed",
       [](TfrmMain& w) {
         w.rbSerialPort->click();
         w.cbbPortNames->setCurrentIndex(1);
         w.cbbBaudRate->setCurrentIndex(1);
         w.cbbInEncoding->setCurrentIndex(1);
         w.cbbOutEncoding->setCurrentIndex(2);
       },
       ctSerial, "COM2", 19200, "ASCII", "437", 0, true, false},
  };
  for (const TAccepted& c : cases) {
    SCOPED_TRACE(c.Name);
    FHooks = uitest::THookRecorder();
    FHooks.Ports = {"COM1", "COM2"};
    FHooks.Install();
    FWindow.reset();
    FreeConfig();
    std::filesystem::remove(FFolder.ConfigPath());
    std::filesystem::remove_all(FFolder.Path("in"));
    TfrmMain& w = Create();
    FillValid(w);
    c.Change(w);
    w.btnApplyClick();

    ASSERT_EQ(FHooks.Messages.size(), 1u);
    EXPECT_EQ(FHooks.Messages[0], Q("Αποδοχ?-Απ?κρυψη OK, App will be Restart"));
    EXPECT_EQ(FHooks.Restarts, 1);
    EXPECT_EQ(FHooks.Exits, std::vector<int>{0});
    EXPECT_FALSE(GetConfig().AppRunning);
    EXPECT_TRUE(platform::DirectoryExists(FFolder.Path("in")));
    const std::unique_ptr<TIniConfig> saved = Saved();
    EXPECT_EQ(saved->ConnKind, c.ConnKind);
    EXPECT_EQ(saved->Host, c.Host);
    EXPECT_EQ(saved->Port, c.Port);
    EXPECT_EQ(saved->InEncodingName, c.InEncoding);
    EXPECT_EQ(saved->OutEncodingName, c.OutEncoding);
    EXPECT_EQ(saved->SourceDataPath, FFolder.Path("in"));
    EXPECT_EQ(saved->DecimalType, c.DecimalType);
    EXPECT_EQ(saved->AllVoidBeforeProcessFile, c.AllVoid);
    EXPECT_EQ(saved->BootWithWindow, c.Boot);
    const std::string entry = FFolder.Path("xdg/autostart/DanvoreDriver.desktop");
    EXPECT_EQ(platform::FileExists(entry), c.Boot);
    if (c.Boot) {
      EXPECT_NE(uitest::ReadText(entry).find("Exec=\"" + platform::ExecutablePath() + "\""),
                std::string::npos);
    }
  }
}

TEST_F(MainWindowTest, ApplyTrimsTheFolderAndCreatesItWithParents) {
  TfrmMain& w = Create();
  FillValid(w);
  w.bedtPath->setText(QString::fromStdString("  " + FFolder.Path("a/b/c") + " "));
  w.btnApplyClick();
  EXPECT_TRUE(platform::DirectoryExists(FFolder.Path("a/b/c")));
  EXPECT_EQ(Saved()->SourceDataPath, FFolder.Path("a/b/c"));
}

TEST_F(MainWindowTest, AutostartFailureShowsTheErrorAndSavesNothing) {
  std::filesystem::create_directories(FFolder.Path("xdg"));
  uitest::WriteText(FFolder.Path("xdg/autostart"), "a file where the folder belongs");
  TfrmMain& w = Create();
  FillValid(w);
  w.chkStartWithWindows->setChecked(true);
  w.btnApplyClick();
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_EQ(FHooks.Messages[0],
            Q("Αποδοχή-Απόκρυψη Error, Failed to set data for 'DanvoreDriver'"));
  EXPECT_FALSE(platform::FileExists(FFolder.ConfigPath()));
  EXPECT_EQ(FHooks.Restarts, 0);
  EXPECT_TRUE(FHooks.Exits.empty());
  EXPECT_TRUE(GetConfig().AppRunning);
}

TEST_F(MainWindowTest, UnwritableConfigurationIsReportedAndNothingRestarts) {
  std::filesystem::create_directories(FFolder.ConfigPath());
  TfrmMain& w = Create();
  FillValid(w);
  w.btnApplyClick();
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_EQ(FHooks.Messages[0], Q("Αποδοχή-Απόκρυψη Error, Unable to write to ") +
                                    QString::fromStdString(FFolder.ConfigPath()));
  EXPECT_EQ(FHooks.Restarts, 0);
  EXPECT_TRUE(FHooks.Exits.empty());
  EXPECT_TRUE(GetConfig().AppRunning);
}

TEST_F(MainWindowTest, FailedRestartIsReportedAndTheProgramKeepsRunning) {
  TfrmMain& w = Create();
  Hooks().Restart = [] { throw std::runtime_error("Cannot start danvore: denied"); };
  FillValid(w);
  w.btnApplyClick();
  ASSERT_EQ(FHooks.Messages.size(), 2u);
  EXPECT_EQ(FHooks.Messages[1], Q("Αποδοχή-Απόκρυψη Error, Cannot start danvore: denied"));
  EXPECT_TRUE(FHooks.Exits.empty());
  EXPECT_TRUE(GetConfig().AppRunning);
}

TEST_F(MainWindowTest, FolderPickerStartsInTheFieldAndReplacesItsText) {
  TfrmMain& w = Create();
  w.bedtPath->setText(QStringLiteral("/srv/receipts"));
  FHooks.PickerAnswer = QString();
  w.bedtPathButton->click();
  EXPECT_EQ(w.bedtPath->text(), QStringLiteral("/srv/receipts"));
  FHooks.PickerAnswer = QStringLiteral("/srv/other");
  w.bedtPathButton->click();
  EXPECT_EQ(w.bedtPath->text(), QStringLiteral("/srv/other"));
  ASSERT_EQ(FHooks.PickerTitles.size(), 2u);
  EXPECT_EQ(FHooks.PickerTitles[0], Q("Διαδρομ? αν?χνευση?"));
  EXPECT_EQ(FHooks.PickerStarts[0], QStringLiteral("/srv/receipts"));
}

}  // namespace
}  // namespace danvore::ui
