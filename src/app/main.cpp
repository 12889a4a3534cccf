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
#include "net/HttpClient.h"
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
