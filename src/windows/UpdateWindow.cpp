#include "windows/UpdateWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "windows/GuiText.h"

namespace vlmr {

Tfmupwin::Tfmupwin(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowStaysOnTopHint) {
  setObjectName("fmupwin");
  setWindowTitle(QString::fromUtf8("程序正在升级..."));
  setFixedSize(kWidth, kHeight);
  Label1 = new QLabel(QString::fromUtf8("正在升级中，请稍后..."), this);
  Label1->setObjectName("Label1");
  Label1->move(32, 15);
  Label1->adjustSize();
  pro1 = new QProgressBar(this);
  pro1->setObjectName("pro1");
  pro1->setGeometry(32, 42, 361, 22);
  pro1->setRange(0, 100);
  pro1->setValue(0);
}

void Tfmupwin::ShowFailure(const std::string& reason) {
  failed_ = true;
  setWindowTitle(QString::fromUtf8("程序升级失败"));
  QString text = QString::fromUtf8("升级失败");
  if (!reason.empty())
    text += QString::fromUtf8("：") + FromGbk(reason);
  Label1->setText(text + QString::fromUtf8("。程序可以照常使用。"));
  Label1->setWordWrap(true);
  Label1->setGeometry(32, 12, kWidth - 64, 26);
  pro1->hide();
  if (!btnClose) {
    btnClose = new QPushButton(QString::fromUtf8("关闭"), this);
    btnClose->setObjectName("btnClose");
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
  }
  btnClose->setGeometry(kWidth - 32 - 80, 44, 80, 26);
  btnClose->show();
  btnClose->setFocus();
  // The title bar gets its close button; changing the flags hides the window, so it is shown
  // again where it was.
  const bool visible = isVisible();
  const QPoint at = pos();
  setWindowFlag(Qt::WindowCloseButtonHint, true);
  setWindowFlag(Qt::WindowStaysOnTopHint, false);
  if (visible) {
    move(at);
    show();
  }
}

void Tfmupwin::closeEvent(QCloseEvent* event) {
  if (failed_)
    event->accept();
  else
    event->ignore();
}

void Tfmupwin::keyPressEvent(QKeyEvent* event) {
  // Esc closes the window only once the update has failed.
  if (failed_ && event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  event->accept();
}

void Tfmupwin::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (s) {
    QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

}  // namespace vlmr
