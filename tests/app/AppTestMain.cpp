// GUI tests run offscreen with a real QApplication and the Qt services installed; the network
// is set up before any thread starts. Shared by the window layers' test programs.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/QtServices.h"
#include "net/HttpClient.h"

int main(int argc, char** argv) {
  vlmr::InitNetwork();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  auto dispatcher = vlmr::InstallQtServices();
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  vlmr::UninstallQtServices(dispatcher);
  return rc;
}
