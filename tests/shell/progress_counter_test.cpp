// The progress counter: percent text, bar width read back from the screen,
// and the owner window given back on every way out.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QTest>

#include "shell/Unit7.h"

namespace {

// The bar's right end, found on the pattern's white middle row (y = 41).
int BaraPictata(TContor& c) {
  const QImage img = c.grab().toImage();
  int x = 16;
  while (x < img.width() && img.pixel(x, 41) == qRgb(255, 255, 255)) ++x;
  return x - 16;
}

struct Pas {
  int max;
  QList<int> pozitii;
  QString text;
  int bara;
};

TEST(Contor, ShowsPercentAndBar) {
  const Pas pasi[] = {
      {4, {0}, "0%", 0},
      {4, {0, 1}, "25%", 75},
      {4, {0, 1, 2}, "50%", 150},
      {4, {0, 1, 2, 3}, "75%", 225},
      {4, {0, 1, 2, 3, 5}, "75%", 225},  // above ContorMax: nothing changes
      {3, {1}, "33%", 99},
      {100, {100}, "100%", 300},
      {4, {3, 1}, "25%", 225},  // painted over: a smaller position keeps the longer bar
      {0, {1}, "", 0},          // ContorMax 0: nothing at all
  };
  for (const Pas& p : pasi) {
    TContor c;
    c.Label2->setText("");
    ContorMax = p.max;
    c.Arata(nullptr);
    for (int poz : p.pozitii) c.ContorPos(poz);
    EXPECT_EQ(c.Label2->text(), p.text) << p.max << " " << p.pozitii.size();
    EXPECT_EQ(c.LatimeBara(), p.bara);
    EXPECT_EQ(BaraPictata(c), p.bara);
    c.Distruge(nullptr);
  }
  ContorMax = 0;
}

TEST(Contor, DisablesItsOwnerAndGivesItBack) {
  QWidget owner;
  owner.show();
  TContor c;
  c.Label1->setText("Creez raportul...");
  ContorMax = 10;
  c.Arata(&owner);
  EXPECT_TRUE(c.isVisible());
  EXPECT_FALSE(owner.isEnabled());
  EXPECT_EQ(owner.cursor().shape(), Qt::WaitCursor);
  c.ContorPos(5);
  c.Distruge(&owner);
  EXPECT_FALSE(c.isVisible());
  EXPECT_TRUE(owner.isEnabled());
  EXPECT_EQ(owner.cursor().shape(), Qt::ArrowCursor);
  // A new task starts from an empty bar.
  c.Arata(&owner);
  EXPECT_EQ(c.LatimeBara(), 0);
  c.Distruge(&owner);
  ContorMax = 0;
}

TEST(Contor, LooksAsDesigned) {
  TContor c;
  EXPECT_EQ(c.size(), QSize(329, 71));
  EXPECT_TRUE(c.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(c.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(c.Label2->geometry().topLeft(), QPoint(278, 54));
  EXPECT_EQ(c.Label2->width(), 48);
  const QImage img = c.grab().toImage();
  EXPECT_EQ(QColor(img.pixel(2, 0)), QColor(0xE4, 0xEC, 0xFA));
  EXPECT_EQ(QColor(img.pixel(2, 70)), QColor(0x11, 0x2D, 0x6C));
}

}  // namespace
