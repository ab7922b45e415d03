#include "shell/BarPattern.h"

QImage ModelBaraProgres() {
  static const QRgb randuri[18] = {0x112D6C, 0x29427B, 0x42598B, 0x60739D, 0x7B8BAE, 0x96A3BE,
                                   0xB2BBCF, 0xCBD1DF, 0xE5E8EF, 0xFFFFFF, 0xE2E5ED, 0xC7CEDC,
                                   0xAEB7CD, 0x939FBC, 0x7787AB, 0x5C6F9A, 0x42598B, 0x29427B};
  QImage img(2, 18, QImage::Format_RGB32);
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 2; ++x) img.setPixel(x, y, 0xFF000000u | randuri[y]);
  }
  return img;
}
