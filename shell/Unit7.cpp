#include "shell/Unit7.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

#include "controls/RaisedLabel.h"
#include "shell/BarPattern.h"
#include "shell/Gradient.h"

int ContorMax = 0;

namespace {

TRaisedLabel* Eticheta(QWidget* parent, const char* name, QColor text, QColor umbra) {
  auto* l = new TRaisedLabel(parent);
  l->setObjectName(name);
  QFont f("Arial");
  f.setPixelSize(11);
  f.setBold(true);
  l->setFont(f);
  l->SeteazaCulori(text, umbra);
  return l;
}

}  // namespace

TContor::TContor(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("Contor");
  setFixedSize(329, 71);
  setCursor(Qt::WaitCursor);
  Image1 = ModelBaraProgres();

  auto* l1 = Eticheta(this, "Label1", QColor(0x00, 0x00, 0x4F), Qt::white);
  l1->setGeometry(16, 8, 300, 18);
  Label1 = l1;
  auto* l2 = Eticheta(this, "Label2", QColor(0xFB, 0xFB, 0xFF), QColor(0x05, 0x0E, 0x23));
  l2->setGeometry(278, 54, 48, 15);
  l2->setAlignment(Qt::AlignRight | Qt::AlignTop);
  Label2 = l2;
}

void TContor::Arata(QWidget* f) {
  // A new task starts with an empty bar.
  latimeBara_ = 0;
  if (f) {
    f->setEnabled(false);
    f->setCursor(Qt::WaitCursor);
  }
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    move(s->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  QCoreApplication::processEvents();
}

void TContor::Distruge(QWidget* f) {
  hide();
  if (f) {
    f->setEnabled(true);
    f->unsetCursor();
    f->activateWindow();
    f->setFocus();
  }
  QCoreApplication::processEvents();
}

void TContor::ContorPos(int p) {
  if (ContorMax == 0 || p > ContorMax) return;
  const int q = static_cast<int>(static_cast<double>(p) / ContorMax * 100.0);
  Label2->setText(QString::number(q) + "%");
  // Painted over what is there: a smaller position leaves a longer bar.
  if (3 * q > latimeBara_) latimeBara_ = 3 * q;
  update(QRect(16, 32, 300, 18));
  QCoreApplication::processEvents();
}

void TContor::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PicteazaGradient(p, rect(), QColor(0xE4, 0xEC, 0xFA), QColor(0x11, 0x2D, 0x6C));
  if (latimeBara_ > 0) {
    p.setBrushOrigin(16, 32);
    p.fillRect(QRect(16, 32, latimeBara_, 18), QBrush(Image1));
  }
}
