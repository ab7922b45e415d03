#include "controls/RaisedLabel.h"

#include <QPainter>

TRaisedLabel::TRaisedLabel(QWidget* parent) : QLabel(parent) {}

void TRaisedLabel::SeteazaCulori(QColor text, QColor umbra) {
  text_ = text;
  umbra_ = umbra;
  update();
}

void TRaisedLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(font());
  const QRect r = contentsRect().adjusted(0, 0, -1, -1);
  p.setPen(umbra_);
  p.drawText(r.translated(1, 1), static_cast<int>(alignment()), text());
  p.setPen(text_);
  p.drawText(r, static_cast<int>(alignment()), text());
}
