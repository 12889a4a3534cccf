#include "app/Icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace vlmr {
namespace {

const QColor kBlue(0x1f, 0x6f, 0xd1);
const QColor kDeepBlue(0x12, 0x4a, 0x96);
const QColor kOrange(0xf0, 0x8a, 0x24);
const QColor kGreen(0x2e, 0xa0, 0x5a);
const QColor kRed(0xd9, 0x44, 0x3c);

QPixmap Canvas(int w, int h) {
  QPixmap pm(w, h);
  pm.fill(Qt::transparent);
  return pm;
}

QPixmap ProgramPixmap(int size) {
  QPixmap pm = Canvas(size, size);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, size);
  g.setColorAt(0, kBlue.lighter(130));
  g.setColorAt(1, kDeepBlue);
  p.setBrush(g);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.2, size * 0.2);
  // A magnifier over a contact card.
  p.setBrush(QColor(255, 255, 255, 235));
  p.drawRoundedRect(QRectF(size * 0.16, size * 0.22, size * 0.5, size * 0.38), size * 0.05,
                    size * 0.05);
  p.setBrush(kBlue);
  p.drawEllipse(QRectF(size * 0.22, size * 0.3, size * 0.12, size * 0.12));
  p.setPen(QPen(kBlue, size * 0.04, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(size * 0.4, size * 0.33), QPointF(size * 0.58, size * 0.33));
  p.drawLine(QPointF(size * 0.4, size * 0.43), QPointF(size * 0.54, size * 0.43));
  p.setPen(QPen(kOrange, size * 0.08, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(size * 0.46, size * 0.46, size * 0.3, size * 0.3));
  p.drawLine(QPointF(size * 0.72, size * 0.72), QPointF(size * 0.86, size * 0.86));
  return pm;
}

QIcon RoundIcon(const QColor& color, void (*glyph)(QPainter&, int)) {
  QIcon icon;
  for (int size : {16, 18, 24, 32}) {
    QPixmap pm = Canvas(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::white, size / 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    glyph(p, size);
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 22, 32, 48, 64, 128})
    icon.addPixmap(ProgramPixmap(size));
  return icon;
}

QPixmap BackgroundPicture(int width, int height) {
  QPixmap pm(width, height);
  pm.fill(QColor(0xf4, 0xf8, 0xfd));
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPixmap logo = ProgramPixmap(96);
  p.setOpacity(0.9);
  p.drawPixmap((width - 96) / 2, height / 2 - 120, logo);
  p.setOpacity(1);
  p.setPen(QColor(0x5a, 0x6b, 0x80));
  QFont f = p.font();
  f.setPixelSize(18);
  p.setFont(f);
  p.drawText(QRect(0, height / 2 - 10, width, 30), Qt::AlignCenter,
             QString::fromUtf8("添加关键词，一键采集企业联系方式"));
  f.setPixelSize(13);
  p.setFont(f);
  p.setPen(QColor(0x8a, 0x97, 0xa8));
  p.drawText(QRect(0, height / 2 + 24, width, 24), Qt::AlignCenter,
             QString::fromUtf8("百度 · 搜狗 · 360 多引擎同时搜索"));
  return pm;
}

QPixmap PromotedMark() {
  QPixmap pm = Canvas(24, 16);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kOrange);
  p.drawRoundedRect(QRectF(0.5, 1.5, 23, 13), 3, 3);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPixelSize(10);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 1, 24, 14), Qt::AlignCenter, "V");
  return pm;
}

// A blue rosette with a white "证" mark: a seal of certification, not a check box.
QPixmap CertifiedMark() {
  QPixmap pm = Canvas(14, 13);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  // A twelve-pointed seal.
  QPolygonF seal;
  const QPointF centre(7, 6.5);
  for (int i = 0; i < 24; ++i) {
    const double angle = i * 3.14159265358979 / 12;
    const double radius = i % 2 == 0 ? 6.5 : 5.4;
    seal << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
  }
  p.drawPolygon(seal);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPixelSize(8);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 0, 14, 13), Qt::AlignCenter, QString::fromUtf8("证"));
  return pm;
}

// A small grey building: an ordinary company, not an empty check box.
QPixmap PlainMark() {
  QPixmap pm = Canvas(16, 16);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xa7, 0xb2, 0xc0));
  p.drawRect(QRectF(4, 3, 8, 11));
  p.setBrush(Qt::white);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 2; ++column) {
      p.drawRect(QRectF(5.5 + column * 3, 4.5 + row * 3, 2, 1.6));
    }
  }
  p.setBrush(QColor(0xa7, 0xb2, 0xc0));
  p.drawRect(QRectF(2.5, 13.5, 11, 1));
  return pm;
}

QPixmap SharedMark() {
  // The plain building, with an orange ring of linked dots over it: numbers held by others.
  QPixmap pm = PlainMark();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0xe0, 0x7b, 0x1a), 1.4));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(9.5, 11.5), QPointF(13.5, 8));
  p.drawLine(QPointF(9.5, 11.5), QPointF(13.5, 14.5));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xe0, 0x7b, 0x1a));
  for (QPointF dot : {QPointF(9.5, 11.5), QPointF(13.5, 8), QPointF(13.5, 14.5)}) {
    p.drawEllipse(dot, 1.9, 1.9);
  }
  return pm;
}

QIcon StartIcon() {
  return RoundIcon(kGreen, [](QPainter& p, int s) {
    QPolygonF tri;
    tri << QPointF(s * 0.38, s * 0.28) << QPointF(s * 0.38, s * 0.72) << QPointF(s * 0.74, s * 0.5);
    p.drawPolygon(tri);
  });
}

QIcon StopIcon() {
  return RoundIcon(kRed, [](QPainter& p, int s) {
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(s * 0.32, s * 0.32, s * 0.36, s * 0.36));
  });
}

QIcon DeleteIcon() {
  return RoundIcon(QColor(0x9a, 0xa5, 0xb1), [](QPainter& p, int s) {
    p.drawLine(QPointF(s * 0.32, s * 0.32), QPointF(s * 0.68, s * 0.68));
    p.drawLine(QPointF(s * 0.68, s * 0.32), QPointF(s * 0.32, s * 0.68));
  });
}

QIcon ExportIcon() {
  return RoundIcon(kBlue, [](QPainter& p, int s) {
    p.drawLine(QPointF(s * 0.5, s * 0.25), QPointF(s * 0.5, s * 0.62));
    p.drawLine(QPointF(s * 0.34, s * 0.47), QPointF(s * 0.5, s * 0.63));
    p.drawLine(QPointF(s * 0.66, s * 0.47), QPointF(s * 0.5, s * 0.63));
    p.drawLine(QPointF(s * 0.3, s * 0.74), QPointF(s * 0.7, s * 0.74));
  });
}

}  // namespace vlmr
