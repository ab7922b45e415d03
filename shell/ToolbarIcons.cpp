#include "shell/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

namespace {

QPixmap Deseneaza(const std::function<void(QPainter&)>& f) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  f(p);
  return pm;
}

void Iesire(QPainter& p) {
  // A door standing open with a red arrow leaving it.
  p.setPen(QPen(QColor(0x4A, 0x2C, 0x0A), 1.5));
  p.setBrush(QColor(0xB0, 0x7A, 0x3C));
  p.drawRect(QRectF(4, 3, 14, 26));
  p.setBrush(QColor(0x30, 0x20, 0x10));
  p.drawEllipse(QPointF(15, 17), 1.5, 1.5);
  QPainterPath sageata;
  sageata.moveTo(14, 13);
  sageata.lineTo(22, 13);
  sageata.lineTo(22, 8);
  sageata.lineTo(30, 16);
  sageata.lineTo(22, 24);
  sageata.lineTo(22, 19);
  sageata.lineTo(14, 19);
  sageata.closeSubpath();
  p.setPen(QPen(QColor(0x70, 0, 0), 1));
  p.setBrush(QColor(0xE0, 0x20, 0x20));
  p.drawPath(sageata);
}

void Lacat(QPainter& p, bool deschis) {
  p.setPen(QPen(QColor(0x70, 0x70, 0x78), 3.5));
  p.setBrush(Qt::NoBrush);
  if (deschis) {
    // The shackle swung up and to the side.
    p.drawArc(QRectF(14, 2, 14, 18), 0, 180 * 16);
    p.drawLine(QPointF(28, 11), QPointF(28, 15));
  } else {
    p.drawArc(QRectF(9, 3, 14, 18), 0, 180 * 16);
    p.drawLine(QPointF(9, 12), QPointF(9, 16));
    p.drawLine(QPointF(23, 12), QPointF(23, 16));
  }
  QLinearGradient g(0, 14, 0, 30);
  g.setColorAt(0, QColor(0xFF, 0xE0, 0x60));
  g.setColorAt(1, QColor(0xC0, 0x8A, 0x00));
  p.setPen(QPen(QColor(0x70, 0x50, 0x00), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(5, 14, 22, 16), 3, 3);
  p.setBrush(QColor(0x40, 0x30, 0x00));
  p.drawEllipse(QPointF(16, 20), 2.5, 2.5);
  p.drawRect(QRectF(15, 21, 2, 5));
  if (deschis) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0xB0, 0x20));
    p.drawEllipse(QRectF(1, 1, 11, 11));
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(3.5, 6.5), QPointF(6, 9));
    p.drawLine(QPointF(6, 9), QPointF(10, 3.5));
  }
}

void Cheie(QPainter& p) {
  p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1.5));
  p.setBrush(QColor(0xF0, 0xC8, 0x30));
  p.drawEllipse(QRectF(3, 3, 13, 13));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(7, 7, 5, 5));
  p.setPen(QPen(QColor(0xC0, 0x90, 0x10), 4, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(14, 14), QPointF(28, 28));
  p.drawLine(QPointF(22, 22), QPointF(26, 18));
  p.drawLine(QPointF(26, 26), QPointF(29, 23));
}

void Disc(QPainter& p) {
  p.setPen(QPen(QColor(0x10, 0x20, 0x50), 1));
  p.setBrush(QColor(0x2A, 0x4A, 0xA8));
  QPainterPath corp;
  corp.moveTo(3, 3);
  corp.lineTo(25, 3);
  corp.lineTo(29, 7);
  corp.lineTo(29, 29);
  corp.lineTo(3, 29);
  corp.closeSubpath();
  p.drawPath(corp);
  p.setBrush(QColor(0xD8, 0xD8, 0xE0));
  p.drawRect(QRectF(9, 3, 14, 9));
  p.setBrush(QColor(0x2A, 0x4A, 0xA8));
  p.drawRect(QRectF(18, 4, 3, 7));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 16, 18, 13));
  p.setPen(QPen(QColor(0x90, 0x90, 0xA0), 1));
  for (int y = 19; y <= 26; y += 3) p.drawLine(9, y, 23, y);
}

void Grafic(QPainter& p) {
  p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3, 2, 26, 28));
  const QColor culori[] = {QColor(0xE0, 0x30, 0x30), QColor(0x30, 0xA0, 0x30),
                           QColor(0x30, 0x50, 0xD0), QColor(0xE0, 0xA0, 0x10)};
  const int inaltimi[] = {10, 18, 14, 22};
  for (int i = 0; i < 4; ++i) {
    p.setBrush(culori[i]);
    p.drawRect(QRectF(6 + i * 6, 27 - inaltimi[i], 4.5, inaltimi[i]));
  }
}

void Imprimanta(QPainter& p) {
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 3, 14, 10));
  p.setBrush(QColor(0xA0, 0xA0, 0xA8));
  p.drawRoundedRect(QRectF(3, 11, 26, 12), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 19, 16, 10));
  p.setBrush(QColor(0x20, 0xC0, 0x20));
  p.drawEllipse(QPointF(25, 15), 1.5, 1.5);
}

void Cutii(QPainter& p) {
  auto cutie = [&p](qreal x, qreal y, qreal l) {
    p.setPen(QPen(QColor(0x5A, 0x3A, 0x10), 1));
    p.setBrush(QColor(0xC8, 0x94, 0x50));
    p.drawRect(QRectF(x, y, l, l));
    p.setPen(QPen(QColor(0xE8, 0xD0, 0x90), 2));
    p.drawLine(QPointF(x + l / 2, y + 1), QPointF(x + l / 2, y + l - 1));
  };
  cutie(2, 17, 13);
  cutie(16, 17, 13);
  cutie(9, 4, 13);
}

void Rotita(QPainter& p) {
  QPainterPath dinti;
  const QPointF c(16, 16);
  for (int i = 0; i < 16; ++i) {
    const double a = i * M_PI / 8;
    const double r = (i % 2 == 0) ? 14.5 : 10.5;
    const double a0 = a - M_PI / 16;
    const double a1 = a + M_PI / 16;
    const QPointF p0 = c + QPointF(r * std::cos(a0), r * std::sin(a0));
    const QPointF p1 = c + QPointF(r * std::cos(a1), r * std::sin(a1));
    if (i == 0) {
      dinti.moveTo(p0);
    } else {
      dinti.lineTo(p0);
    }
    dinti.lineTo(p1);
  }
  dinti.closeSubpath();
  QRadialGradient g(QPointF(12, 11), 18);
  g.setColorAt(0, QColor(0xE8, 0xE8, 0xF0));
  g.setColorAt(1, QColor(0x70, 0x78, 0x88));
  p.setPen(QPen(QColor(0x30, 0x30, 0x40), 1));
  p.setBrush(g);
  p.drawPath(dinti);
  p.setBrush(QColor(0xA7, 0xBC, 0xEF));
  p.drawEllipse(c, 4.5, 4.5);
}

}  // namespace

QVector<QPixmap> DeseneazaIconiteleBarei() {
  return {Deseneaza(Iesire), Deseneaza([](QPainter& p) { Lacat(p, false); }),
          Deseneaza(Cheie),  Deseneaza(Disc),
          Deseneaza(Grafic), Deseneaza(Imprimanta),
          Deseneaza(Cutii),  Deseneaza([](QPainter& p) { Lacat(p, true); }),
          Deseneaza(Rotita)};
}
