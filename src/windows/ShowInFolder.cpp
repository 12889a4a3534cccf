#include "windows/ShowInFolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QUrl>

#include "base/MessageBox.h"
#include "base/Text.h"
#include "platform/Shell.h"

namespace vlmr {
namespace {

// No file manager answered: the folder goes to the shell's opener (which may have none to
// start either), and the user is told where the file is.
void TellWhereTheFileIs(const std::string& path, const std::string& folder) {
  ShellOpen(folder);
  ShowMessageBox(Utf8ToGbk("未能打开文件管理器，文件已保存在：\r\n" + path), MessageCaption(),
                 MB_KIND_INFORMATION);
}

}  // namespace

void ShowFileInFolder(const std::string& path) {
  const QString file = QString::fromStdString(path);
  const std::string folder = QFileInfo(file).absolutePath().toStdString();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    TellWhereTheFileIs(path, folder);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                     "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", "ShowItems");
  call << QStringList{QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString()}
       << QString();
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), qApp);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [path, folder](QDBusPendingCallWatcher* done) {
                     if (done->isError()) {
                       TellWhereTheFileIs(path, folder);  // no file manager on the bus
                     }
                     done->deleteLater();
                   });
}

}  // namespace vlmr
