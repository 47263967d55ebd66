#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "core/config.h"
#include "core/format.h"
#include "core/logger.h"
#include "encoding/text_encoding.h"
#include "manager/bridge.h"
#include "manager/manager.h"
#include "platform/autostart.h"
#include "platform/fs.h"
#include "platform/serial.h"
#include "ui/about.h"
#include "ui/app_title.h"
#include "ui/artwork.h"
#include "ui/override_cursor.h"
#include "ui/qt_operator_prompt.h"
#include "ui/texts.h"
#include "ui/ui_hooks.h"

namespace danvore::ui {

namespace {

constexpr int kLogTickMs = 1000;
constexpr int kUsbProductId = 22352;
constexpr int kUsbVendorId = 1155;
constexpr int kDefaultBaudRate = 9600;
const QColor kMaroon(0x80, 0x00, 0x00);

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}
QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

QComboBox* PickList(QComboBox* list, const char* name, const QStringList& entries) {
  list->setObjectName(QString::fromLatin1(name));
  list->setEditable(false);
  list->addItems(entries);
  list->setCurrentIndex(-1);
  return list;
}

// The text of a pick-only list: empty while nothing is selected.
QString Selected(const QComboBox* list) {
  return list->currentIndex() < 0 ? QString() : list->currentText();
}

// A numeric field's value with any fraction cut off, kept within 32 bits.
std::int32_t TruncatedValue(const QString& text) {
  bool ok = false;
  const double value = QLocale::c().toDouble(QString(text).replace(',', '.'), &ok);
  if (!ok || std::isnan(value)) return 0;
  const double limit = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::trunc(std::clamp(value, -limit - 1, limit)));
}

void SetFieldLook(QLineEdit* field, bool editable) {
  field->setReadOnly(!editable);
  QPalette palette = field->parentWidget()->palette();
  if (!editable) {
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    palette.setColor(QPalette::Text, kMaroon);
  }
  field->setPalette(palette);
}

}  // namespace

void TDropDownList::showPopup() {
  if (BeforeDropDown) BeforeDropDown();
  QComboBox::showPopup();
}

TfrmMain::TfrmMain(QWidget* Parent) : QMainWindow(Parent) {
  setObjectName(QStringLiteral("frmMain"));
  setMenuWidget(CreateRibbon());
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  QWidget* settings = CreateSettingsPane();
  // The settings never squeeze: the window grows to hold them instead.
  settings->setMinimumHeight(settings->sizeHint().height());
  splitter->addWidget(settings);
  splitter->addWidget(CreateLogPane());
  splitter->setStretchFactor(1, 1);
  setCentralWidget(splitter);
  setStatusBar(new QStatusBar(this));
  CreateTray();
  TimerLog = new QTimer(this);
  TimerLog->setObjectName(QStringLiteral("TimerLog"));
  TimerLog->setInterval(kLogTickMs);
  connect(TimerLog, &QTimer::timeout, this, &TfrmMain::TimerLogTimer);
  const QSize least = minimumSizeHint().expandedTo(QSize(856, 521));
  setMinimumSize(least);
  resize(QSize(1056, 521).expandedTo(least));
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FPrompt = std::make_unique<TQtOperatorPrompt>(this);
  FormCreate();
}

TfrmMain::~TfrmMain() {
  FormDestroy();
}

// --- Building the window.

QToolButton* TfrmMain::RibbonButton(const char* Name, const char* Caption, int Icon) {
  auto* button = new QToolButton;
  button->setObjectName(QString::fromLatin1(Name));
  button->setText(Text(Caption));
  button->setToolTip(Text(Caption));
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(Icon)));
  button->setIconSize(QSize(32, 32));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setMinimumWidth(88);
  return button;
}

QWidget* TfrmMain::CreateRibbon() {
  btnCheckConn = RibbonButton("btnCheckConn", kCheckConn, QStyle::SP_BrowserReload);
  btnCloseReceipt = RibbonButton("btnCloseReceipt", kCloseReceipt, QStyle::SP_DialogSaveButton);
  btnAllVoid = RibbonButton("btnAllVoid", kAllVoid, QStyle::SP_DialogDiscardButton);
  btnXReport = RibbonButton("btnXReport", kXReport, QStyle::SP_FileDialogDetailedView);
  btnZReport = RibbonButton("btnZReport", kZReport, QStyle::SP_FileDialogContentsView);
  btnAbout = RibbonButton("btnAbout", kAbout, QStyle::SP_MessageBoxInformation);
  btnApply = RibbonButton("btnApply", kApply, QStyle::SP_DialogApplyButton);
  btnClose = RibbonButton("btnClose", kClose, QStyle::SP_DialogCloseButton);
  connect(btnCheckConn, &QToolButton::clicked, this, &TfrmMain::btnCheckConnClick);
  connect(btnCloseReceipt, &QToolButton::clicked, this, &TfrmMain::btnCloseReceiptClick);
  connect(btnAllVoid, &QToolButton::clicked, this, &TfrmMain::btnAllVoidClick);
  connect(btnXReport, &QToolButton::clicked, this, &TfrmMain::btnXReportClick);
  connect(btnZReport, &QToolButton::clicked, this, &TfrmMain::btnZReportClick);
  connect(btnAbout, &QToolButton::clicked, this, &TfrmMain::btnAboutClick);
  connect(btnApply, &QToolButton::clicked, this, &TfrmMain::btnApplyClick);
  connect(btnClose, &QToolButton::clicked, this, &TfrmMain::btnCloseClick);

  auto* ribbon = new QWidget(this);
  ribbon->setObjectName(QStringLiteral("dxRibbon"));
  auto* layout = new QHBoxLayout(ribbon);
  const auto group = [&](const char* caption, std::initializer_list<QToolButton*> buttons) {
    auto* box = new QGroupBox(Text(caption), ribbon);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(4, 2, 4, 2);
    for (QToolButton* button : buttons)
      row->addWidget(button);
    layout->addWidget(box);
  };
  group(kGroupOperations, {btnCheckConn, btnCloseReceipt, btnAllVoid, btnXReport, btnZReport});
  group(kGroupAbout, {btnAbout});
  group(kGroupGeneral, {btnApply, btnClose});
  layout->addStretch();
  return ribbon;
}

QGroupBox* TfrmMain::CreateCommunicationGroup() {
  auto* box = new QGroupBox(Text(kCommunication));
  rbUSB = new QRadioButton(Text(kUsb), box);
  rbUSB->setObjectName(QStringLiteral("rbUSB"));
  rbSerialPort = new QRadioButton(Text(kSerial), box);
  rbSerialPort->setObjectName(QStringLiteral("rbSerialPort"));
  rbEthernet = new QRadioButton(Text(kEthernet), box);
  rbEthernet->setObjectName(QStringLiteral("rbEthernet"));
  for (QRadioButton* choice : {rbUSB, rbSerialPort, rbEthernet})
    connect(choice, &QRadioButton::clicked, this, &TfrmMain::rbEthernetClick);

  cbbPortNames = new TDropDownList(box);
  PickList(cbbPortNames, "cbbPortNames", {});
  cbbPortNames->BeforeDropDown = [this] { FillPortNames(); };
  cbbBaudRate =
      PickList(new QComboBox(box), "cbbBaudRate", {"9600", "19200", "38400", "57600", "115200"});
  cbbBaudRate->setCurrentIndex(0);
  meIPAddress = new QLineEdit(box);
  meIPAddress->setObjectName(QStringLiteral("meIPAddress"));
  meIPAddress->setValidator(
      new QRegularExpressionValidator(QRegularExpression(Text(kIpAddressPattern)), meIPAddress));
  cePort = new QLineEdit(box);
  cePort->setObjectName(QStringLiteral("cePort"));
  auto* number = new QDoubleValidator(cePort);
  number->setLocale(QLocale::c());
  number->setNotation(QDoubleValidator::StandardNotation);
  cePort->setValidator(number);

  auto* form = new QFormLayout(box);
  form->addRow(rbUSB);
  form->addRow(rbSerialPort);
  form->addRow(Text(kPortNamesLabel), cbbPortNames);
  form->addRow(Text(kBaudRateLabel), cbbBaudRate);
  form->addRow(rbEthernet);
  form->addRow(Text(kIpAddressLabel), meIPAddress);
  form->addRow(Text(kPortLabel), cePort);
  return box;
}

QWidget* TfrmMain::CreateEncodingGroup() {
  QStringList choices;
  for (int i = 0; i < kEncodingChoiceCount; ++i)
    choices << Text(EncodingChoices()[i]);
  auto* box = new QGroupBox;
  cbbInEncoding = PickList(new QComboBox(box), "cbbInEncoding", choices);
  cbbOutEncoding = PickList(new QComboBox(box), "cbbOutEncoding", choices);
  cbbOutEncoding->setCurrentIndex(0);
  auto* form = new QFormLayout(box);
  form->addRow(Text(kInEncodingLabel), cbbInEncoding);
  form->addRow(Text(kOutEncodingLabel), cbbOutEncoding);
  return box;
}

QWidget* TfrmMain::CreateOptionsGroup() {
  auto* box = new QGroupBox;
  bedtPath = new QLineEdit(box);
  bedtPath->setObjectName(QStringLiteral("bedtPath"));
  bedtPathButton = new QToolButton(box);
  bedtPathButton->setObjectName(QStringLiteral("bedtPathButton"));
  bedtPathButton->setText(QStringLiteral("..."));
  connect(bedtPathButton, &QToolButton::clicked, this, &TfrmMain::bedtPathPropertiesButtonClick);
  auto* path = new QHBoxLayout;
  path->setContentsMargins(0, 0, 0, 0);
  path->setSpacing(0);
  path->addWidget(bedtPath);
  path->addWidget(bedtPathButton);
  cbbDecimalSymbol = PickList(new QComboBox(box), "cbbDecimalSymbol", {Text(kComma), Text(kDot)});
  cbAllVoidBeforeExecute = new QCheckBox(Text(kAllVoidBefore), box);
  cbAllVoidBeforeExecute->setObjectName(QStringLiteral("cbAllVoidBeforeExecute"));
  chkStartWithWindows = new QCheckBox(Text(kStartWithWindows), box);
  chkStartWithWindows->setObjectName(QStringLiteral("chkStartWithWindows"));
  chkClearFiles = new QCheckBox(Text(kClearFiles), box);
  chkClearFiles->setObjectName(QStringLiteral("chkClearFiles"));
  chkClearFiles->setVisible(false);
  auto* form = new QFormLayout(box);
  form->addRow(Text(kPathLabel), path);
  form->addRow(Text(kDecimalLabel), cbbDecimalSymbol);
  form->addRow(cbAllVoidBeforeExecute);
  form->addRow(chkStartWithWindows);
  return box;
}

QWidget* TfrmMain::CreateSettingsPane() {
  auto* pane = new QWidget;
  pane->setObjectName(QStringLiteral("pnlLeft"));
  pane->setMaximumWidth(600);
  auto* column = new QVBoxLayout(pane);
  column->addWidget(CreateCommunicationGroup());
  column->addWidget(CreateEncodingGroup());
  column->addWidget(CreateOptionsGroup());
  column->addStretch();
  return pane;
}

QWidget* TfrmMain::CreateLogPane() {
  auto* box = new QGroupBox(Text(kLog));
  txtLog = new QPlainTextEdit(box);
  txtLog->setObjectName(QStringLiteral("txtLog"));
  txtLog->setReadOnly(true);
  txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(txtLog);
  return box;
}

void TfrmMain::CreateTray() {
  TrayIcon = new QSystemTrayIcon(this);
  TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
  pmTray = new QMenu(this);
  miSetting = pmTray->addAction(Text(kTraySetting));
  miSetting->setObjectName(QStringLiteral("miSetting"));
  pmTray->addSeparator();
  miClose = pmTray->addAction(Text(kClose));
  miClose->setObjectName(QStringLiteral("miClose"));
  TrayIcon->setContextMenu(pmTray);
  connect(miSetting, &QAction::triggered, this, &TfrmMain::miSettingClick);
  connect(miClose, &QAction::triggered, this, &TfrmMain::miCloseClick);
  connect(TrayIcon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick) TrayIconDblClick();
          });
}

// --- Creation and destruction.

void TfrmMain::FormCreate() {
  FActive = true;
  TIniConfig& config = GetConfig();
  config.AppRunning = true;
  try {
    GLogger = std::make_unique<TLogger>(std::string());
  } catch (const std::exception& e) {
    // Nothing else can start without the log: the window stays reachable
    // with only About and Exit.
    Hooks().ShowMessage(this, Text(e.what()));
    DisableOperations();
    FStartShown = true;
    return;
  }
  setWindowTitle(Text(ApplicationTitle()));
  setWindowIcon(ApplicationIcon());
  TrayIcon->setIcon(ApplicationIcon());
  TrayIcon->setToolTip(windowTitle());
  FTrayAvailable = Hooks().TrayAvailable();
  if (FTrayAvailable) TrayIcon->show();
  FillPortNames();
  config.ReadConfig();
  SetConnType(config.ConnKind);
  ShowStoredTransport();
  ShowStoredOptions();
  StartWorker();
  FStartShown = config.SourceDataPath.empty() || !FTrayAvailable;
  if (!FTrayAvailable) NoteMissingTray();
  LogStarted(config);
}

void TfrmMain::ShowStoredTransport() {
  const TIniConfig& config = GetConfig();
  if (config.ConnKind == ctSerial) {
    rbSerialPort->setChecked(true);
    cbbPortNames->setCurrentIndex(cbbPortNames->findText(Text(config.Host), Qt::MatchFixedString));
    cbbBaudRate->setCurrentIndex(
        cbbBaudRate->findText(QString::number(config.Port), Qt::MatchFixedString));
  } else if (config.ConnKind == ctUsb) {
    rbUSB->setChecked(true);
  } else {
    rbEthernet->setChecked(true);
    meIPAddress->setText(Text(config.Host));
    cePort->setText(QString::number(config.Port));
  }
  rbEthernetClick();
}

void TfrmMain::ShowStoredOptions() {
  const TIniConfig& config = GetConfig();
  cbbInEncoding->setCurrentIndex(EncodingPosition(config.InEncodingName));
  cbbOutEncoding->setCurrentIndex(EncodingPosition(config.OutEncodingName));
  bedtPath->setText(Text(config.SourceDataPath));
  chkStartWithWindows->setChecked(config.BootWithWindow);
  const bool known = config.DecimalType == dtComma || config.DecimalType == dtDot;
  cbbDecimalSymbol->setCurrentIndex(known ? config.DecimalType : -1);
  cbAllVoidBeforeExecute->setChecked(config.AllVoidBeforeProcessFile);
}

void TfrmMain::StartWorker() {
  // The worker takes the settings as the controls show them.
  FManager = MakeWorker(Selected(cbbDecimalSymbol) == Text(kDot) ? dtDot : dtComma,
                        cbbInEncoding->currentIndex(), cbbOutEncoding->currentIndex(), GetConfig(),
                        FPrompt.get());
  FManager->Start();
}

void TfrmMain::NoteMissingTray() {
  AddLog(llWarning, "No system tray on this desktop: the window stays on screen", true);
}

void TfrmMain::DisableOperations() {
  for (QWidget* control : std::initializer_list<QWidget*>{btnCheckConn, btnCloseReceipt, btnAllVoid,
                                                          btnXReport, btnZReport, btnApply})
    control->setEnabled(false);
}

void TfrmMain::FormDestroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  // A question the worker waits for would keep it from ending.
  FPrompt->Abort();
  StopWorkerAndLogger(FManager);
  TrayIcon->hide();
}

// --- Transport choice.

void TfrmMain::SetConnType(int AType) {
  FConnType = AType;
  if (AType < ctSerial || AType > ctUsb) return;
  const bool serial = AType == ctSerial;
  const bool ethernet = AType == ctEthernet;
  cbbPortNames->setEnabled(serial);
  cbbBaudRate->setEnabled(serial);
  SetFieldLook(meIPAddress, ethernet);
  SetFieldLook(cePort, ethernet);
}

void TfrmMain::rbEthernetClick() {
  if (rbEthernet->isChecked()) {
    SetConnType(ctEthernet);
  } else if (rbUSB->isChecked()) {
    SetConnType(ctUsb);
  } else {
    SetConnType(ctSerial);
  }
}

void TfrmMain::FillPortNames() {
  std::vector<std::string> names = Hooks().ListPorts();
  platform::SortPortNames(names);
  cbbPortNames->clear();
  for (const std::string& name : names)
    cbbPortNames->addItem(Text(name));
  cbbPortNames->setCurrentIndex(-1);
}

void TfrmMain::bedtPathPropertiesButtonClick() {
  const QString folder = Hooks().PickFolder(this, Text(kFolderPickerTitle), bedtPath->text());
  if (!folder.isEmpty()) bedtPath->setText(folder);
}

// --- Apply.

void TfrmMain::btnApplyClick() {
  try {
    if (!ApplyGuarded()) return;
    Hooks().ShowMessage(this, Text(Format(kApplyDone, kOk, kRestartNotice)));
    Hooks().Restart();
    GetConfig().AppRunning = false;
    Hooks().ExitNow(0);
  } catch (const std::exception& e) {
    Hooks().ShowMessage(
        this, Text(Format(kErrorPattern, btnApply->text().toStdString(), kError, e.what())));
  }
}

// The worker's thread may store the last clerk meanwhile, and must not wait
// on the operator reading a refusal: the guard covers the changes only.
bool TfrmMain::ApplyGuarded() {
  FRefusal = {};
  bool applied = false;
  {
    const auto hold = GetConfig().Hold();
    applied = ApplySettings();
  }
  if (applied || FRefusal.Message == nullptr) return applied;
  Hooks().ShowMessage(this, Text(FRefusal.Message));
  QWidget* focus = FRefusal.Focus;
  if (focus->isEnabled() && focus->isVisibleTo(this)) focus->setFocus();
  return false;
}

bool TfrmMain::Refuse(const char* Message, QWidget* Focus) {
  FRefusal = {Message, Focus};
  return false;
}

bool TfrmMain::ApplyTransport() {
  TIniConfig& config = GetConfig();
  config.ConnKind = FConnType;
  if (FConnType == ctUsb) {
    config.Host = std::to_string(kUsbProductId);
    config.Port = kUsbVendorId;
  } else if (FConnType == ctEthernet) {
    config.Host = meIPAddress->text().toStdString();
    // The field holds half-typed text too ("192.168."): only a whole
    // address may be saved.
    if (config.Host.empty() || !meIPAddress->hasAcceptableInput())
      return Refuse(kIpEmpty, meIPAddress);
    if (cePort->text().isEmpty()) return Refuse(kPortEmpty, cePort);
    config.Port = TruncatedValue(cePort->text());
  } else if (FConnType == ctSerial) {
    config.Host = Selected(cbbPortNames).toStdString();
    if (config.Host.empty()) return Refuse(kPortNameEmpty, cbbPortNames);
    const QString rate = Selected(cbbBaudRate);
    if (rate.isEmpty()) return Refuse(kBaudRateEmpty, cbbBaudRate);
    bool ok = false;
    const int value = rate.toInt(&ok);
    config.Port = ok ? value : kDefaultBaudRate;
  }
  return true;
}

bool TfrmMain::ApplySettings() {
  TIniConfig& config = GetConfig();
  if (!ApplyTransport()) return false;
  if (cbbInEncoding->currentIndex() < 0) return Refuse(kInEncodingEmpty, cbbInEncoding);
  config.InEncodingName = cbbInEncoding->currentText().toStdString();
  if (cbbOutEncoding->currentIndex() < 0) return Refuse(kOutEncodingEmpty, cbbOutEncoding);
  config.OutEncodingName = cbbOutEncoding->currentText().toStdString();
  config.SourceDataPath = bedtPath->text().trimmed().toStdString();
  if (config.SourceDataPath.empty()) return Refuse(kPathEmpty, bedtPath);
  if (!platform::ForceDirectories(config.SourceDataPath)) return Refuse(kPathInvalid, bedtPath);
  if (cbbDecimalSymbol->currentIndex() < 0) return Refuse(kDecimalEmpty, cbbDecimalSymbol);
  config.DecimalType = cbbDecimalSymbol->currentIndex();
  config.AllVoidBeforeProcessFile = cbAllVoidBeforeExecute->isChecked();
  config.ClearFiles = chkClearFiles->isChecked();
  config.BootWithWindow = chkStartWithWindows->isChecked();
  platform::SetAutoStart(config.BootWithWindow, platform::ExecutablePath());
  config.WriteConfig();
  return true;
}

// --- Manual operations.

void TfrmMain::RunManual(QToolButton* Button, const std::function<TResult(TManager&)>& Operation) {
  if (!FManager) return;
  QString message;
  {
    const TOverrideCursor busy(Qt::WaitCursor);  // the hourglass of a manual operation
    try {
      const TResult result = Operation(*FManager);
      message = result.Code != rcSuccess ? Text(result.Msg) : Text(kOk);
    } catch (const std::exception& e) {
      message = Text(Format(kErrorPattern, Button->text().toStdString(), kError, e.what()));
    }
  }
  Hooks().ShowMessage(this, message);
}

void TfrmMain::btnCheckConnClick() {
  RunManual(btnCheckConn, [](TManager& m) { return m.Connect(true); });
}

void TfrmMain::btnCloseReceiptClick() {
  RunManual(btnCloseReceipt, [](TManager& m) { return m.CloseReceipt(); });
}

void TfrmMain::btnAllVoidClick() {
  RunManual(btnAllVoid, [](TManager& m) { return m.AllVoid(true); });
}

void TfrmMain::btnXReportClick() {
  RunManual(btnXReport, [](TManager& m) { return m.PrintReport(umXDailyReport, true); });
}

void TfrmMain::btnZReportClick() {
  RunManual(btnZReport, [](TManager& m) { return m.PrintReport(umZDailyReport, true); });
}

void TfrmMain::btnAboutClick() {
  ShowAbout();
}

// --- Visibility, tray and closing.

void TfrmMain::btnCloseClick() {
  close();
}

void TfrmMain::miCloseClick() {
  close();
}

void TfrmMain::miSettingClick() {
  ShowFromTray();
}

void TfrmMain::TrayIconDblClick() {
  ShowFromTray();
}

void TfrmMain::ShowFromTray() {
  showNormal();
  raise();
  activateWindow();
  if (FActive) TimerLog->start();
}

void TfrmMain::TimerLogTimer() {
  TimerLog->stop();
  if (GMainFormLog.TryLock()) {
    try {
      std::vector<std::string> lines;
      if (GMainFormLog.Flush(&lines)) {
        QStringList text;
        for (const std::string& line : lines)
          text << Text(line);
        txtLog->setPlainText(text.join(QLatin1Char('\n')));
        txtLog->verticalScrollBar()->setValue(txtLog->verticalScrollBar()->maximum());
      }
    } catch (const std::exception&) {
      // The next tick copies again; the flag must go back in any case.
    }
    GMainFormLog.UnLock();
  }
  if (FActive) TimerLog->start();
}

void TfrmMain::UpdateLogTimer() {
  if (FActive && isVisible() && !isMinimized()) {
    if (!TimerLog->isActive()) TimerLog->start();
  } else {
    TimerLog->stop();
  }
}

void TfrmMain::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  UpdateLogTimer();
}

void TfrmMain::changeEvent(QEvent* Event) {
  QMainWindow::changeEvent(Event);
  if (Event->type() != QEvent::WindowStateChange) return;
  UpdateLogTimer();
  // Into the tray; without one the window stays reachable on the task bar.
  if (isMinimized() && FTrayAvailable) QTimer::singleShot(0, this, &QWidget::hide);
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
  FActive = false;
  GetConfig().AppRunning = false;
  TimerLog->stop();
  Event->accept();
  QApplication::quit();
}

}  // namespace danvore::ui
