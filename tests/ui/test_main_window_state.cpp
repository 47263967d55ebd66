#include <QCheckBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <string>
#include <thread>

#include "encoding/text_encoding.h"
#include "main_window_fixture.h"
#include "manager/manager.h"
#include "ui/app_title.h"
#include "ui/texts.h"

namespace danvore::ui {
namespace {

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

const QColor kMaroon(0x80, 0x00, 0x00);

struct TConnTypeCase {
  int Type;
  bool ListsEnabled;
  bool FieldsEditable;
};

TEST_F(MainWindowTest, SetConnTypeEnablesTheControlsOfTheTransport) {
  const TConnTypeCase cases[] = {
      {ctSerial, true, false},
      {ctEthernet, false, true},
      {ctUsb, false, false},
  };
  TfrmMain& w = Create();
  for (const TConnTypeCase& c : cases) {
    SCOPED_TRACE(c.Type);
    w.SetConnType(c.Type);
    EXPECT_EQ(w.ConnType(), c.Type);
    EXPECT_EQ(w.cbbPortNames->isEnabled(), c.ListsEnabled);
    EXPECT_EQ(w.cbbBaudRate->isEnabled(), c.ListsEnabled);
    for (QLineEdit* field : {w.meIPAddress, w.cePort}) {
      EXPECT_EQ(field->isReadOnly(), !c.FieldsEditable);
      const QPalette& look = field->palette();
      if (c.FieldsEditable) {
        EXPECT_NE(look.color(QPalette::Text), kMaroon);
        EXPECT_EQ(look.color(QPalette::Base), w.palette().color(QPalette::Base));
      } else {
        EXPECT_EQ(look.color(QPalette::Text), kMaroon);
        EXPECT_EQ(look.color(QPalette::Base), w.palette().color(QPalette::Button));
      }
    }
  }
}

TEST_F(MainWindowTest, SetConnTypeOfAnUnknownKindChangesNoControl) {
  TfrmMain& w = Create();
  w.SetConnType(ctEthernet);
  w.SetConnType(7);
  EXPECT_EQ(w.ConnType(), 7);
  EXPECT_FALSE(w.cbbPortNames->isEnabled());
  EXPECT_FALSE(w.meIPAddress->isReadOnly());
}

TEST_F(MainWindowTest, ChoosingATransportRunsSetConnType) {
  TfrmMain& w = Create();
  w.rbUSB->click();
  EXPECT_EQ(w.ConnType(), ctUsb);
  w.rbEthernet->click();
  EXPECT_EQ(w.ConnType(), ctEthernet);
  w.rbSerialPort->click();
  EXPECT_EQ(w.ConnType(), ctSerial);
  EXPECT_TRUE(w.cbbPortNames->isEnabled());
}

struct TStoredTransport {
  const char* Keys;
  QRadioButton* TfrmMain::*Choice;
  int ConnType;
  const char* Address;
  const char* PortText;
  const char* PortName;
  const char* Speed;
};

TEST_F(MainWindowTest, CreationShowsTheStoredTransport) {
  const TStoredTransport cases[] = {
      {"ConnKind=0\nHost=com2\nPort=19200\n", &TfrmMain::rbSerialPort, ctSerial, "", "", "COM2",
       "19200"},
      {"ConnKind=0\nHost=COM9\nPort=1234\n", &TfrmMain::rbSerialPort, ctSerial, "", "", "", ""},
      {"ConnKind=2\nHost=22352\nPort=1155\n", &TfrmMain::rbUSB, ctUsb, "", "", "", "9600"},
      {"ConnKind=1\nHost=10.0.0.7\nPort=6000\n", &TfrmMain::rbEthernet, ctEthernet, "10.0.0.7",
       "6000", "", "9600"},
      {"ConnKind=3\nHost=192.168.1.20\nPort=6001\n", &TfrmMain::rbEthernet, ctEthernet,
       "192.168.1.20", "6001", "", "9600"},
  };
  for (const TStoredTransport& c : cases) {
    SCOPED_TRACE(c.Keys);
    FWindow.reset();
    FreeConfig();
    FFolder.WriteConfig(c.Keys);
    TfrmMain& w = Create();
    EXPECT_TRUE((w.*c.Choice)->isChecked());
    EXPECT_EQ(w.ConnType(), c.ConnType);
    EXPECT_EQ(w.meIPAddress->text(), Q(c.Address));
    EXPECT_EQ(w.cePort->text(), Q(c.PortText));
    EXPECT_EQ(w.cbbPortNames->currentIndex() < 0 ? QString() : w.cbbPortNames->currentText(),
              Q(c.PortName));
    EXPECT_EQ(w.cbbBaudRate->currentIndex() < 0 ? QString() : w.cbbBaudRate->currentText(),
              Q(c.Speed));
  }
}

struct TStoredOptions {
  const char* Keys;
  int InIndex;
  int OutIndex;
  int DecimalIndex;
  TDecimalType WorkerDecimal;
  int WorkerInCodePage;
};

TEST_F(MainWindowTest, CreationSelectsEncodingsAndDecimalSymbolWithoutRegardToCase) {
  const TStoredOptions cases[] = {
      {"InEncodingName=ascii\nOutEncodingName=1253\nDecimalType=1\n", 1, 4, 1, dtDot, 20127},
      {"InEncodingName=DEFAULT\nOutEncodingName=437\nDecimalType=0\n", 0, 2, 0, dtComma, 0},
      {"InEncodingName=utf8\nOutEncodingName=\nDecimalType=7\n", -1, -1, -1, dtComma, 0},
  };
  for (const TStoredOptions& c : cases) {
    SCOPED_TRACE(c.Keys);
    FWindow.reset();
    FreeConfig();
    FFolder.WriteConfig(c.Keys);
    TfrmMain& w = Create();
    EXPECT_EQ(w.cbbInEncoding->currentIndex(), c.InIndex);
    EXPECT_EQ(w.cbbOutEncoding->currentIndex(), c.OutIndex);
    EXPECT_EQ(w.cbbDecimalSymbol->currentIndex(), c.DecimalIndex);
    ASSERT_NE(w.Manager(), nullptr);
    EXPECT_EQ(w.Manager()->DecimalType(), c.WorkerDecimal);
    EXPECT_EQ(w.Manager()->InEncoding()->CodePage(), c.WorkerInCodePage);
  }
}

TEST_F(MainWindowTest, UnknownInputEncodingStopsTheNextApply) {
  FFolder.WriteConfig("InEncodingName=utf8\n");
  TfrmMain& w = Create();
  FillValid(w);
  w.cbbInEncoding->setCurrentIndex(EncodingPosition("utf8"));
  w.btnApplyClick();
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_EQ(FHooks.Messages[0], QStringLiteral("Input Encoding Empty!"));
  EXPECT_EQ(w.focusWidget(), w.cbbInEncoding);
}

TEST_F(MainWindowTest, CreationFillsTheOptionsAndHandsTheWorkerItsSettings) {
  FFolder.WriteConfig("SourceDataPath=" + FFolder.Path("in") + "\nAnswerPath=" +
                      FFolder.Path("ans") + "\nBootWithWindow=1\nAllVoidBeforeProcessFile=0\n");
  TfrmMain& w = Create();
  EXPECT_EQ(w.windowTitle(), QString::fromStdString(ApplicationTitle()));
  EXPECT_EQ(w.bedtPath->text(), QString::fromStdString(FFolder.Path("in")));
  EXPECT_TRUE(w.chkStartWithWindows->isChecked());
  EXPECT_FALSE(w.cbAllVoidBeforeExecute->isChecked());
  EXPECT_FALSE(w.chkClearFiles->isVisibleTo(&w));
  ASSERT_NE(w.Manager(), nullptr);
  EXPECT_EQ(w.Manager()->ReceiptsDir(), FFolder.Path("in"));
  EXPECT_EQ(w.Manager()->AnswerDir(), FFolder.Path("ans") + "/");
  EXPECT_EQ(w.Manager()->LineDelimiter(), "/");
  EXPECT_FALSE(w.Manager()->SuspendWork());
  EXPECT_TRUE(GetConfig().AppRunning);
  EXPECT_TRUE(w.Active());
  // No tray on the offscreen platform: the window must show at start.
  EXPECT_EQ(w.StartShown(), !w.TrayAvailable());
}

TEST_F(MainWindowTest, WithoutAWatchedFolderTheWorkerPausesAndTheWindowShows) {
  TfrmMain& w = Create();
  ASSERT_NE(w.Manager(), nullptr);
  EXPECT_TRUE(w.Manager()->SuspendWork());
  EXPECT_TRUE(w.StartShown());
}

TEST_F(MainWindowTest, PortListIsSortedWithoutRegardToCaseAndRefilledOnDropDown) {
  FHooks.Ports = {"COM2", "com10", "COM1", "COM2", "/dev/ttyUSB0"};
  TfrmMain& w = Create();
  QStringList shown;
  for (int i = 0; i < w.cbbPortNames->count(); ++i)
    shown << w.cbbPortNames->itemText(i);
  EXPECT_EQ(shown, (QStringList{"/dev/ttyUSB0", "COM1", "com10", "COM2"}));
  w.cbbPortNames->setCurrentIndex(1);
  FHooks.Ports = {"COM7"};
  w.show();
  w.cbbPortNames->showPopup();
  w.cbbPortNames->hidePopup();
  ASSERT_EQ(w.cbbPortNames->count(), 1);
  EXPECT_EQ(w.cbbPortNames->itemText(0), QStringLiteral("COM7"));
  EXPECT_EQ(w.cbbPortNames->currentIndex(), -1);
}

TEST_F(MainWindowTest, ControlsCarryTheirTextsAndHints) {
  TfrmMain& w = Create();
  const std::pair<QToolButton*, const char*> buttons[] = {
      {w.btnCheckConn, kCheckConn}, {w.btnCloseReceipt, kCloseReceipt},
      {w.btnAllVoid, kAllVoid},     {w.btnXReport, kXReport},
      {w.btnZReport, kZReport},     {w.btnAbout, kAbout},
      {w.btnApply, kApply},         {w.btnClose, kClose},
  };
  for (const auto& [button, caption] : buttons) {
    EXPECT_EQ(button->text(), Q(caption));
    EXPECT_EQ(button->toolTip(), Q(caption));
  }
  EXPECT_EQ(w.miSetting->text(), Q("Σύνθεση"));
  EXPECT_EQ(w.miClose->text(), Q("Έξοδος"));
  EXPECT_TRUE(w.txtLog->isReadOnly());
  EXPECT_EQ(w.txtLog->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(w.TimerLog->interval(), 1000);
  EXPECT_EQ(w.cbbOutEncoding->currentText(), QStringLiteral("Default"));
}

TEST_F(MainWindowTest, AddressFieldAcceptsOnlyDottedAddresses) {
  struct TAddress {
    const char* Text;
    bool Acceptable;
  };
  const TAddress cases[] = {
      {"192.168.1.20", true},    {"10.0.0.0", true},   {"255.255.255.255", true},
      {"001.002.003.004", true}, {"0.1.2.3", false},   {"256.1.1.1", false},
      {"1.2.3", false},          {"1.2.3.4.5", false}, {"a.b.c.d", false},
  };
  TfrmMain& w = Create();
  for (const TAddress& c : cases) {
    QString text = Q(c.Text);
    int pos = 0;
    EXPECT_EQ(w.meIPAddress->validator()->validate(text, pos) == QValidator::Acceptable,
              c.Acceptable)
        << c.Text;
  }
}

// --- The log pane.

bool PaneHas(const TfrmMain& w, const std::string& text) {
  return w.txtLog->toPlainText().contains(QString::fromStdString(text));
}

TEST_F(MainWindowTest, LogPaneShowsTheWindowLogAfterATick) {
  TfrmMain& w = Create();
  AddLog(llInfor, "pane line one", true);
  AddLog(llError, "pane line two", true);
  EXPECT_FALSE(PaneHas(w, "pane line one"));
  w.TimerLogTimer();
  EXPECT_TRUE(PaneHas(w, "pane line one"));
  EXPECT_TRUE(PaneHas(w, "pane line two"));
  EXPECT_TRUE(w.txtLog->toPlainText().endsWith(QStringLiteral("pane line two")));
  QScrollBar* bar = w.txtLog->verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(w.TimerLog->isActive());
}

TEST_F(MainWindowTest, LogTickSkipsWithoutBlockingWhileTheLogIsHeld) {
  TfrmMain& w = Create();
  GMainFormLog.Lock();
  GMainFormLog.Add("held line");
  w.TimerLogTimer();
  const bool shownWhileHeld = PaneHas(w, "held line");
  const bool rearmed = w.TimerLog->isActive();
  GMainFormLog.UnLock();
  EXPECT_FALSE(shownWhileHeld);
  EXPECT_TRUE(rearmed);
  w.TimerLogTimer();
  EXPECT_TRUE(PaneHas(w, "held line"));
}

TEST_F(MainWindowTest, LogPaneFollowsTheWorkerWhileShown) {
  TfrmMain& w = Create();
  w.show();
  EXPECT_TRUE(w.TimerLog->isActive());
  std::thread worker([] { AddLog(llInfor, "from the worker thread", true); });
  worker.join();
  EXPECT_TRUE(uitest::PollUntil([&] { return PaneHas(w, "from the worker thread"); }));
}

// The worker keeps writing until the pane has shown one of its lines, so ticks
// and writes interleave and only the window log's lock orders them.
TEST_F(MainWindowTest, LogPaneTicksWhileTheWorkerWrites) {
  TfrmMain& w = Create();
  w.show();
  std::atomic<bool> seen{false};
  std::thread worker([&] {
    for (int i = 0; !seen.load(); ++i)
      AddLog(llInfor, "busy line " + std::to_string(i), true);
    AddLog(llInfor, "last busy line", true);
  });
  const bool shown = uitest::PollUntil([&] { return PaneHas(w, "busy line "); });
  seen = true;
  worker.join();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(uitest::PollUntil([&] { return PaneHas(w, "last busy line"); }));
}

TEST_F(MainWindowTest, MinimisingWithoutATrayKeepsTheWindowReachable) {
  TfrmMain& w = Create();
  ASSERT_FALSE(w.TrayAvailable());
  w.show();
  w.showMinimized();
  EXPECT_TRUE(uitest::PollUntil([&] { return w.isMinimized(); }));
  QApplication::processEvents();
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.TimerLog->isActive());
  w.showNormal();
  EXPECT_TRUE(uitest::PollUntil([&] { return w.TimerLog->isActive(); }));
}

struct TStartCase {
  const char* Name;
  bool Tray;
  bool Folder;
  bool Shown;
};

TEST_F(MainWindowTest, StartsInTheTrayOnlyWithATrayAndAWatchedFolder) {
  const TStartCase cases[] = {
      {"tray and folder", true, true, false},
      {"tray, no folder", true, false, true},
      {"folder, no tray", false, true, true},
      {"neither", false, false, true},
  };
  for (const TStartCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FWindow.reset();
    FreeConfig();
    FFolder.WriteConfig(c.Folder ? "SourceDataPath=" + FFolder.Path("in") + "\n" : "");
    FHooks.Tray = c.Tray;
    TfrmMain& w = Create();
    EXPECT_EQ(w.TrayAvailable(), c.Tray);
    EXPECT_EQ(w.TrayIcon->isVisible(), c.Tray);
    EXPECT_EQ(w.StartShown(), c.Shown);
  }
}

TEST_F(MainWindowTest, HiddenAtStartADoubleClickOnTheTrayIconShowsTheWindow) {
  FHooks.Tray = true;
  FFolder.WriteConfig("SourceDataPath=" + FFolder.Path("in") + "\n");
  TfrmMain& w = Create();
  ASSERT_FALSE(w.StartShown());
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.TimerLog->isActive());
  // A single click is no double click.
  emit w.TrayIcon->activated(QSystemTrayIcon::Trigger);
  QApplication::processEvents();
  EXPECT_FALSE(w.isVisible());
  emit w.TrayIcon->activated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.TimerLog->isActive());
}

TEST_F(MainWindowTest, MinimisingHidesIntoTheTrayAndADoubleClickBringsItBack) {
  FHooks.Tray = true;
  TfrmMain& w = Create();
  w.show();
  ASSERT_TRUE(w.TimerLog->isActive());
  w.showMinimized();
  EXPECT_TRUE(uitest::PollUntil([&] { return !w.isVisible(); }));
  EXPECT_FALSE(w.TimerLog->isActive());
  EXPECT_TRUE(w.TrayIcon->isVisible());
  emit w.TrayIcon->activated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
  EXPECT_TRUE(w.TimerLog->isActive());
}

TEST_F(MainWindowTest, TrayEntryShowsTheWindowAndStartsTheLog) {
  TfrmMain& w = Create();
  EXPECT_FALSE(w.isVisible());
  w.miSetting->trigger();
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.TimerLog->isActive());
}

struct TCloser {
  const char* Name;
  std::function<void(TfrmMain&)> Close;
};

TEST_F(MainWindowTest, ClosingStopsTheApplication) {
  const TCloser cases[] = {
      {"ribbon", [](TfrmMain& w) { w.btnClose->click(); }},
      {"tray menu", [](TfrmMain& w) { w.miClose->trigger(); }},
      {"close box", [](TfrmMain& w) { w.close(); }},
  };
  for (const TCloser& c : cases) {
    SCOPED_TRACE(c.Name);
    TfrmMain& w = Create();
    w.show();
    c.Close(w);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Active());
    EXPECT_FALSE(GetConfig().AppRunning);
    EXPECT_FALSE(w.TimerLog->isActive());
    // No settings are saved on closing.
    EXPECT_FALSE(std::filesystem::exists(FFolder.ConfigPath()));
  }
}

TEST_F(MainWindowTest, DestroyStopsTheWorkerThenTheLogger) {
  TfrmMain& w = Create();
  ASSERT_NE(GLogger, nullptr);
  w.FormDestroy();
  EXPECT_EQ(w.Manager(), nullptr);
  EXPECT_EQ(GLogger, nullptr);
  EXPECT_FALSE(w.TrayIcon->isVisible());
}

TEST_F(MainWindowTest, LoggerFailureLeavesOnlyAboutAndExit) {
  // The log folder cannot be made where a file holds its name.
  uitest::WriteText(FFolder.Path("log"), "not a folder");
  TfrmMain& w = Create();
  ASSERT_EQ(FHooks.Messages.size(), 1u);
  EXPECT_TRUE(FHooks.Messages[0].startsWith(QStringLiteral("Log Path is Error, ")));
  EXPECT_EQ(w.Manager(), nullptr);
  EXPECT_TRUE(w.StartShown());
  for (QToolButton* b :
       {w.btnCheckConn, w.btnCloseReceipt, w.btnAllVoid, w.btnXReport, w.btnZReport, w.btnApply})
    EXPECT_FALSE(b->isEnabled());
  EXPECT_TRUE(w.btnAbout->isEnabled());
  EXPECT_TRUE(w.btnClose->isEnabled());
}

}  // namespace
}  // namespace danvore::ui
