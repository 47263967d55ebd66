// TfrmMain: the settings window of the bridge with the manual operations,
// the log pane and the tray icon. Creating it starts the logger and the
// worker; destroying it stops them in that order.
#pragma once

#include <QComboBox>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "core/result.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QSystemTrayIcon;
class QTimer;
class QToolButton;

namespace danvore {
class TManager;
}

namespace danvore::ui {

class TQtOperatorPrompt;

// A pick-only list that tells before it drops down.
class TDropDownList : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforeDropDown;
  void showPopup() override;
};

// Where the transport is chosen: FConnType and ConnKind use these values.
enum TConnType : int { ctSerial = 0, ctEthernet = 1, ctUsb = 2 };

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the controls and runs the creation step (configuration, logger,
  // worker). The window is not shown: see StartShown.
  explicit TfrmMain(QWidget* Parent = nullptr);
  ~TfrmMain() override;

  // Whether the entry shows the window at start: with no watched folder, or
  // when the desktop has no system tray to bring it back from.
  bool StartShown() const { return FStartShown; }
  bool TrayAvailable() const { return FTrayAvailable; }
  int ConnType() const { return FConnType; }
  bool Active() const { return FActive; }
  TManager* Manager() const { return FManager.get(); }
  TQtOperatorPrompt* Prompt() const { return FPrompt.get(); }

  void SetConnType(int AType);
  void FillPortNames();
  // Stops the worker, then the logger, and hides the tray icon. Runs once;
  // the destructor runs it when the entry has not.
  void FormDestroy();

  // --- Handlers of the controls.
  void rbEthernetClick();
  void bedtPathPropertiesButtonClick();
  void btnApplyClick();
  void btnCheckConnClick();
  void btnCloseReceiptClick();
  void btnAllVoidClick();
  void btnXReportClick();
  void btnZReportClick();
  void btnAboutClick();
  void btnCloseClick();
  void miCloseClick();
  void miSettingClick();
  void TrayIconDblClick();
  void TimerLogTimer();

  // --- Controls, named as their object names.
  QToolButton* btnCheckConn;
  QToolButton* btnCloseReceipt;
  QToolButton* btnAllVoid;
  QToolButton* btnXReport;
  QToolButton* btnZReport;
  QToolButton* btnAbout;
  QToolButton* btnApply;
  QToolButton* btnClose;
  QRadioButton* rbUSB;
  QRadioButton* rbSerialPort;
  QRadioButton* rbEthernet;
  TDropDownList* cbbPortNames;
  QComboBox* cbbBaudRate;
  QLineEdit* meIPAddress;
  QLineEdit* cePort;
  QComboBox* cbbInEncoding;
  QComboBox* cbbOutEncoding;
  QLineEdit* bedtPath;
  QToolButton* bedtPathButton;
  QComboBox* cbbDecimalSymbol;
  QCheckBox* cbAllVoidBeforeExecute;
  QCheckBox* chkStartWithWindows;
  QCheckBox* chkClearFiles;
  QPlainTextEdit* txtLog;
  QSystemTrayIcon* TrayIcon;
  QMenu* pmTray;
  QAction* miSetting;
  QAction* miClose;
  QTimer* TimerLog;

 protected:
  void closeEvent(QCloseEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  void showEvent(QShowEvent* Event) override;

 private:
  QWidget* CreateRibbon();
  QWidget* CreateSettingsPane();
  QGroupBox* CreateCommunicationGroup();
  QWidget* CreateEncodingGroup();
  QWidget* CreateOptionsGroup();
  QWidget* CreateLogPane();
  void CreateTray();
  QToolButton* RibbonButton(const char* Name, const char* Caption, int Icon);

  void FormCreate();
  void ShowStoredTransport();
  void ShowStoredOptions();
  void StartWorker();
  void NoteMissingTray();
  void DisableOperations();
  // The apply steps under the configuration's guard; false when a check
  // failed, whose message is shown once the guard is released.
  bool ApplyGuarded();
  bool ApplySettings();
  bool ApplyTransport();
  // Notes the failed check: its message and the control that gets the focus.
  bool Refuse(const char* Message, QWidget* Focus);
  void RunManual(QToolButton* Button, const std::function<TResult(TManager&)>& Operation);
  void ShowFromTray();
  void UpdateLogTimer();

  int FConnType = ctSerial;
  bool FActive = false;
  bool FStartShown = false;
  bool FTrayAvailable = false;
  bool FDestroyed = false;
  struct TRefusal {
    const char* Message = nullptr;
    QWidget* Focus = nullptr;
  } FRefusal;
  std::unique_ptr<TQtOperatorPrompt> FPrompt;
  std::unique_ptr<TManager> FManager;
};

}  // namespace danvore::ui
