#include "app/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "windows/GuiText.h"

namespace vlmr {

TQtDispatcher::TQtDispatcher()
    : receiver_(std::make_unique<QObject>()),
      shutDown_(std::make_shared<std::atomic<bool>>(false)) {}

TQtDispatcher::~TQtDispatcher() {
  Shutdown();
  // The last holder may be a worker thread: a QObject must die on its own thread.
  if (!IsUiThread()) {
    receiver_.release()->deleteLater();
  }
}

void TQtDispatcher::Post(std::function<void()> call) {
  if (shutDown_->load()) {
    return;  // destroying `call` here releases a waiting sender
  }
  // A queued call that Qt never runs (its receiver gone) is destroyed with the event, which
  // releases its sender too.
  QMetaObject::invokeMethod(
      receiver_.get(),
      [call = std::move(call), flag = shutDown_]() {
        if (!flag->load())
          call();
      },
      Qt::QueuedConnection);
}

bool TQtDispatcher::IsUiThread() const {
  return QThread::currentThread() == receiver_->thread();
}

void TQtDispatcher::Shutdown() {
  shutDown_->store(true);
}

int TQtMessageBoxService::Show(const std::string& text, const std::string& caption, int kind) {
  int answer = MB_RESULT_CANCEL;
  // A box asked for by a worker thread belongs to no window and blocks none: the program goes
  // on while it waits (only the asking thread waits for the answer).
  const bool fromWorker = !vlmr::IsUiThread();
  SendToUi([&] {
    QMessageBox box;
    // A message box is made modal when it is created; setting the modality resets the window
    // flags, so it comes first.
    if (fromWorker)
      box.setWindowModality(Qt::NonModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setWindowTitle(FromGbk(caption));
    box.setText(FromGbk(text));
    switch (kind) {
      case MB_KIND_INFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
      case MB_KIND_WARNING:
        box.setIcon(QMessageBox::Warning);
        break;
      case MB_KIND_ERROR:
        box.setIcon(QMessageBox::Critical);
        break;
      default:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QPushButton* ok = box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if (kind == MB_KIND_QUESTION) {
      cancel = box.addButton(QString::fromUtf8("取消"), QMessageBox::RejectRole);
      box.setEscapeButton(cancel);
    } else {
      box.setEscapeButton(ok);
    }
    box.setDefaultButton(ok);
    if (fromWorker) {
      // exec() would make the box modal again; a loop of its own waits without blocking.
      QEventLoop loop;
      QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
      box.show();
      loop.exec();
    } else {
      box.exec();
    }
    answer = box.clickedButton() == ok ? MB_RESULT_OK : MB_RESULT_CANCEL;
  });
  return answer;
}

void TQtClipboardService::SetText(const std::string& utf8) {
  SendToUi([&] { QApplication::clipboard()->setText(QString::fromStdString(utf8)); });
}

std::string TQtClipboardService::Text() {
  std::string text;
  SendToUi([&] { text = QApplication::clipboard()->text().toStdString(); });
  return text;
}

std::shared_ptr<TQtDispatcher> InstallQtServices() {
  auto dispatcher = std::make_shared<TQtDispatcher>();
  InstallUiDispatcher(dispatcher);
  InstallMessageBoxService(std::make_shared<TQtMessageBoxService>());
  InstallClipboardService(std::make_shared<TQtClipboardService>());
  return dispatcher;
}

void UninstallQtServices(const std::shared_ptr<TQtDispatcher>& dispatcher) {
  InstallClipboardService(nullptr);
  InstallMessageBoxService(nullptr);
  InstallUiDispatcher(nullptr);
  if (dispatcher)
    dispatcher->Shutdown();
}

}  // namespace vlmr
