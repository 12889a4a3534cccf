#include "windows/UpdateWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

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

void Tfmupwin::closeEvent(QCloseEvent* event) {
  event->ignore();
}

void Tfmupwin::keyPressEvent(QKeyEvent* event) {
  // Esc closes no dialog here.
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
