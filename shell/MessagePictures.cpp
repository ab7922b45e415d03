#include "shell/MessagePictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

constexpr int kLatura = 54;

QPixmap Gol() {
  QPixmap pm(kLatura, kLatura);
  pm.fill(Qt::transparent);
  return pm;
}

// A lit sphere: bright highlight at the upper left, dark rim.
void Sfera(QPainter& p, QColor luminos, QColor baza, QColor umbra) {
  QRadialGradient g(QPointF(20, 18), 36, QPointF(18, 15));
  g.setColorAt(0.0, luminos);
  g.setColorAt(0.45, baza);
  g.setColorAt(1.0, umbra);
  p.setPen(QPen(umbra.darker(130), 1));
  p.setBrush(g);
  p.drawEllipse(QRectF(2, 2, 50, 50));
}

void Semn(QPainter& p, const QString& s, QColor c, int px, const QRectF& r) {
  QFont f("Arial");
  f.setPixelSize(px);
  f.setBold(true);
  p.setFont(f);
  p.setPen(c);
  p.drawText(r, Qt::AlignCenter, s);
}

}  // namespace

QPixmap DeseneazaEroare() {
  QPixmap pm = Gol();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(QPointF(20, 18), 36, QPointF(18, 15));
  g.setColorAt(0.0, QColor(0xFF, 0x8A, 0x8A));
  g.setColorAt(0.5, QColor(0xE0, 0x10, 0x10));
  g.setColorAt(1.0, QColor(0x80, 0x00, 0x00));
  p.setPen(QPen(QColor(0x60, 0, 0), 1));
  p.setBrush(g);
  p.drawEllipse(QRectF(2, 2, 50, 50));
  p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(17, 17), QPointF(37, 37));
  p.drawLine(QPointF(37, 17), QPointF(17, 37));
  return pm;
}

QPixmap DeseneazaAtentionare() {
  QPixmap pm = Gol();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath tri;
  tri.moveTo(27, 3);
  tri.lineTo(52, 49);
  tri.lineTo(2, 49);
  tri.closeSubpath();
  QLinearGradient g(0, 3, 0, 49);
  g.setColorAt(0.0, QColor(0xFF, 0xF2, 0x80));
  g.setColorAt(1.0, QColor(0xF0, 0xC0, 0x00));
  p.setPen(QPen(QColor(0x30, 0x20, 0x00), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(g);
  p.drawPath(tri);
  Semn(p, "!", Qt::black, 32, QRectF(2, 14, 50, 36));
  return pm;
}

QPixmap DeseneazaConfirmare() {
  QPixmap pm = Gol();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  Sfera(p, QColor(0xF0, 0xB0, 0xF0), QColor(0x9A, 0x20, 0x9A), QColor(0x40, 0x00, 0x40));
  Semn(p, "?", Qt::white, 34, QRectF(2, 2, 50, 50));
  return pm;
}

QPixmap DeseneazaInformare() {
  QPixmap pm = Gol();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  Sfera(p, QColor(0xB0, 0xC8, 0xFF), QColor(0x20, 0x40, 0xD0), QColor(0x00, 0x10, 0x60));
  QFont f("Times New Roman");
  f.setPixelSize(38);
  f.setBold(true);
  f.setItalic(false);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(2, 2, 50, 50), Qt::AlignCenter, "i");
  return pm;
}
