// A main window in a program folder of its own, with recording hooks.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <memory>

#include "core/logger.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

namespace danvore::ui {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    FHooks.Ports = {"COM1", "COM2"};
    FHooks.Install();
  }
  void TearDown() override {
    FWindow.reset();
    Hooks() = DefaultHooks();
  }

  // One window at a time: the old one stops its worker and the logger first.
  TfrmMain& Create() {
    FWindow.reset();
    FWindow = std::make_unique<TfrmMain>();
    return *FWindow;
  }

  // Settings that pass every check of the apply step.
  void FillValid(TfrmMain& w) const {
    w.rbEthernet->click();
    w.meIPAddress->setText(QStringLiteral("127.0.0.1"));
    w.cePort->setText(QStringLiteral("6000"));
    w.cbbInEncoding->setCurrentIndex(0);
    w.cbbOutEncoding->setCurrentIndex(0);
    w.bedtPath->setText(QString::fromStdString(FFolder.Path("in")));
    w.cbbDecimalSymbol->setCurrentIndex(0);
  }

  // The settings as the next start reads them from the file.
  std::unique_ptr<TIniConfig> Saved() const {
    auto config = std::make_unique<TIniConfig>(FFolder.ConfigPath());
    config->ReadConfig();
    return config;
  }

  uitest::TProgramFolder FFolder;
  uitest::THookRecorder FHooks;
  std::unique_ptr<TfrmMain> FWindow;
};

}  // namespace danvore::ui
