// Vertical gradients drawn in a fixed number of flat bands, as every window
// of the program paints its background.
#pragma once

#include <QColor>
#include <QRect>

class QPainter;

// Fills r with `steps` horizontal bands going from `top` to `bottom`.
void PicteazaGradient(QPainter& p, const QRect& r, QColor top, QColor bottom, int steps = 64);
