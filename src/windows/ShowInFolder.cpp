#include "windows/ShowInFolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QUrl>

#include "platform/Shell.h"

namespace vlmr {

void ShowFileInFolder(const std::string& path) {
  const QString file = QString::fromStdString(path);
  const std::string folder = QFileInfo(file).absolutePath().toStdString();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    ShellOpen(folder);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                     "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", "ShowItems");
  call << QStringList{QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString()}
       << QString();
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), qApp);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [folder](QDBusPendingCallWatcher* done) {
                     if (done->isError()) {
                       ShellOpen(folder);  // no file manager on the bus
                     }
                     done->deleteLater();
                   });
}

}  // namespace vlmr
