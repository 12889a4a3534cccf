// Program entry: one instance per user; a second start brings the first one's window forward
// and ends without opening a window of its own.
#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "app/MainWindow.h"
#include "app/QtServices.h"
#include "app/SessionEnd.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Utils.h"
#include "engine/ProxySetup.h"
#include "net/HttpClient.h"
#include "platform/FolderLock.h"
#include "platform/SingleInstance.h"

int main(int argc, char** argv) {
  vlmr::TSingleInstance instance("vlmrclient");
  if (!instance.Acquire()) {
    instance.ActivateRunningInstance();
    return 0;
  }

  vlmr::InitNetwork();  // before any thread starts
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setStyle("Fusion");
  // Qt's own dialogs (the file dialog above all) speak the program's language.
  QTranslator qtChinese;
  if (qtChinese.load("qt_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtChinese);
  }
  QFile style(":/vlmr/style.qss");
  if (style.open(QIODevice::ReadOnly)) {
    app.setStyleSheet(QString::fromUtf8(style.readAll()));
  }
  auto dispatcher = vlmr::InstallQtServices();

  // One writer keeps a store over the data folder: the window does not start while the
  // command-line collector works there. A folder that cannot be locked at all is left to the
  // store to report.
  vlmr::TFolderLock dataLock(vlmr::AppFolder());
  if (dataLock.Acquire() == vlmr::TFolderLock::TResult::Busy) {
    vlmr::ShowMessageBox(vlmr::Utf8ToGbk("vlmr-collect 正在使用数据文件夹 " + vlmr::AppFolder() +
                                         "Data，请等它结束后再打开本程序。"),
                         vlmr::MessageCaption(), vlmr::MB_KIND_ERROR);
    vlmr::UninstallQtServices(dispatcher);
    return 1;
  }

  // The saved proxies, before any collector starts. A file that cannot be read is said once;
  // the program then goes direct.
  if (const std::string problem = vlmr::ConfigureSavedProxies(); !problem.empty()) {
    vlmr::ShowMessageBox(problem, vlmr::MessageCaption(), vlmr::MB_KIND_WARNING);
  }

  int rc = 0;
  {
    auto* window = new vlmr::Tfmjssml;
    QPointer<vlmr::Tfmjssml> guard(window);
    instance.Listen([guard] {
      if (guard)
        guard->ShowMainWindow();
    });
    vlmr::InstallSessionEndHandler([guard] {
      if (guard)
        guard->RequestEnd();
    });
    window->show();
    rc = QApplication::exec();
    delete window;
  }
  vlmr::UninstallQtServices(dispatcher);
  return rc;
}
