#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "app/QtServices.h"
#include "base/Dispatcher.h"
#include "base/MessageBox.h"
#include "base/Text.h"

namespace vlmr {
namespace {

// What an open box showed, read from inside its own event loop.
struct TSeenBox {
  bool seen = false;
  QString title, text, buttons;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool onTop = false;
  bool hasParent = true;
  Qt::WindowModality modality = Qt::ApplicationModal;
};

QString ButtonTexts(QMessageBox* box) {
  QStringList texts;
  for (QAbstractButton* b : box->buttons())
    texts << b->text();
  texts.sort();
  return texts.join("|");
}

// Asks `ask` on a worker thread while a timer on the UI thread waits for the box, notes what
// it shows and answers it with `answer`. Returns the worker's result.
int AskFromWorker(const std::function<int()>& ask, TSeenBox& seen,
                  const std::function<void(QMessageBox*)>& answer) {
  std::atomic<int> result{-1};
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible() || seen.seen)
        continue;
      seen = {true,
              box->windowTitle(),
              box->text(),
              ButtonTexts(box),
              box->icon(),
              bool(box->windowFlags() & Qt::WindowStaysOnTopHint),
              box->parentWidget() != nullptr,
              box->windowModality()};
      EXPECT_EQ(result.load(), -1);  // the worker waits for the answer
      answer(box);
    }
  });
  timer.start(5);
  std::thread worker([&] {
    EXPECT_FALSE(IsUiThread());
    result = ask();
  });
  QElapsedTimer limit;
  limit.start();
  while (result.load() == -1 && limit.elapsed() < 20000) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  worker.join();
  return result.load();
}

TEST(QtMessageBoxes, AWorkerThreadsQuestionIsShownOnTheUiThreadAndAnswered) {
  InstallMessageBoxService(std::make_shared<TQtMessageBoxService>());
  TSeenBox seen;
  int answer = AskFromWorker(
      [] {
        return ShowMessageBox(Utf8ToGbk("确定要退出[vlmr]吗？"), MessageCaption(),
                              MB_KIND_QUESTION);
      },
      seen, [](QMessageBox* box) { box->reject(); });  // closing the box counts as Cancel
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.title, QString::fromUtf8("提示"));
  EXPECT_EQ(seen.text, QString::fromUtf8("确定要退出[vlmr]吗？"));
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_TRUE(seen.onTop);
  EXPECT_FALSE(seen.hasParent);
  // Asked from a worker thread, it blocks no window: the program goes on while it waits.
  EXPECT_EQ(seen.modality, Qt::NonModal);
  EXPECT_EQ(seen.buttons, QString::fromUtf8("取消|确定"));
  EXPECT_EQ(answer, MB_RESULT_CANCEL);
  InstallMessageBoxService(nullptr);
}

TEST(QtMessageBoxes, KindsGiveTheirIconAndOneOkButton) {
  InstallMessageBoxService(std::make_shared<TQtMessageBoxService>());
  struct Case {
    int kind;
    QMessageBox::Icon icon;
  } cases[] = {{MB_KIND_INFORMATION, QMessageBox::Information},
               {MB_KIND_WARNING, QMessageBox::Warning},
               {MB_KIND_ERROR, QMessageBox::Critical},
               {MB_KIND_QUESTION, QMessageBox::Question}};
  for (const auto& c : cases) {
    TSeenBox seen;
    int answer = AskFromWorker([&] { return ShowMessageBox("x", MessageCaption(), c.kind); }, seen,
                               [](QMessageBox* box) {
                                 for (QAbstractButton* b : box->buttons()) {
                                   if (b->text() == QString::fromUtf8("确定"))
                                     b->click();
                                 }
                               });
    ASSERT_TRUE(seen.seen) << c.kind;
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(answer, c.kind == MB_KIND_QUESTION ? MB_RESULT_OK : 0);
  }
  InstallMessageBoxService(nullptr);
}

}  // namespace
}  // namespace vlmr
