#include "shell/Gradient.h"

#include <QPainter>

void PicteazaGradient(QPainter& p, const QRect& r, QColor top, QColor bottom, int steps) {
  if (steps < 1 || r.isEmpty()) return;
  for (int i = 0; i < steps; ++i) {
    const int y0 = r.top() + r.height() * i / steps;
    const int y1 = r.top() + r.height() * (i + 1) / steps;
    if (y1 <= y0) continue;
    // Band i takes the colour at its own fraction of the way, so the first
    // band is exactly `top` and the last exactly `bottom`.
    const int d = steps > 1 ? steps - 1 : 1;
    const QColor c((top.red() * (d - i) + bottom.red() * i) / d,
                   (top.green() * (d - i) + bottom.green() * i) / d,
                   (top.blue() * (d - i) + bottom.blue() * i) / d);
    p.fillRect(QRect(r.left(), y0, r.width(), y1 - y0), c);
  }
}
