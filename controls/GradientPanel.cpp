#include "controls/GradientPanel.h"

#include <QPainter>

#include "shell/Gradient.h"

TGradientPanel::TGradientPanel(QWidget* parent) : QWidget(parent) {}

void TGradientPanel::SeteazaCulori(QColor sus, QColor jos, int pasi) {
  sus_ = sus;
  jos_ = jos;
  pasi_ = pasi;
  update();
}

void TGradientPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PicteazaGradient(p, rect(), sus_, jos_, pasi_);
}
