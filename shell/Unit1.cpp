#include "shell/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <exception>

#include "admin/Unit4.h"
#include "shell/BarPattern.h"
#include "shell/ErrorGuard.h"
#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Gradient.h"
#include "shell/Unit3.h"

namespace {

QLabel* Eticheta(QWidget* parent, const char* name, const QFont& font, QColor color) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setFont(font);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, color);
  l->setPalette(pal);
  return l;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("Form1");
  setWindowTitle("Lumicraft 2.0 - Ponire");
  setFixedSize(424, 201);
  setCursor(Qt::WaitCursor);

  QFont titlu("Arial");
  titlu.setPixelSize(29);
  titlu.setBold(true);
  // The shadow is created first so that the white title lies above it.
  Label1 = Eticheta(this, "Label1", titlu, QColor(0x80, 0x80, 0x80));
  Label2 = Eticheta(this, "Label2", titlu, Qt::white);
  Label2->move(40, 24);
  Label1->move(Label2->x() - 2, Label2->y() + 4);

  QFont italic("Arial");
  italic.setPixelSize(13);
  italic.setItalic(true);
  Label4 = Eticheta(this, "Label4", italic, Qt::white);
  Label4->setText("Gestiune magazie - vanzari - comenzi");
  Label4->move(48, 76);
  Label4->adjustSize();
  Label5 = Eticheta(this, "Label5", italic, Qt::yellow);
  Label5->setText("Incarcare date");
  Label5->move(48, 140);
  Label5->adjustSize();

  Image1 = ModelBaraProgres();

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
  Label1->setText(TitluProgram);
  Label2->setText(TitluProgram);
  Label1->adjustSize();
  Label2->adjustSize();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The sequence runs once per program run, however often the window shows.
  if (pornit_) return;
  pornit_ = true;
  FormShow();
}

void TForm1::FormShow() {
  if (QScreen* s = screen()) {
    const QRect ecran = s->availableGeometry();
    move(ecran.center() - rect().center());
  }
  CaleProgram = QDir::cleanPath(QCoreApplication::applicationDirPath());
  CaleData = CaleProgram + "/Data";
  QDir().mkpath(CaleData);
  QCoreApplication::processEvents();
  Timer1->start();
}

void TForm1::Timer1Timer() {
  Timer1->stop();
  std::exception_ptr eroare;
  try {
    ProgramDeblocat = false;
    SeteazaSeparatoriiNumerici();
    ProcentIncarcare = 0;
    latimeBara_ = 0;
    if (Form3()) Form3()->setWindowTitle(TitluProgram);
    ScrieValorileRegistru();
    CitesteDateleSocietatii();
    PregatesteTabelele();
  } catch (...) {
    eroare = std::current_exception();
  }
  // Whatever happened above, the program goes on with the main toolbar.
  unsetCursor();
  hide();
  if (Form3()) Form3()->show();
  QCoreApplication::processEvents();
  if (eroare) ArataEroarea(eroare);
}

void TForm1::SeteazaSeparatoriiNumerici() { Formats::SetNumberSeparators('.', ','); }

void TForm1::CitesteDateleSocietatii() {
  if (Form4()) Form4()->CitesteSocietate();
}

void TForm1::Plus_X_Procent(std::uint16_t p) {
  ProcentIncarcare += std::int64_t{p} * 10000;
  // 3.1 pixels per percent, truncated: ProcentIncarcare / 10000 * 31 / 10.
  latimeBara_ = static_cast<int>(ProcentIncarcare * 31 / 100000);
  update(QRect(48, 160, width() - 48, 18));
  QCoreApplication::processEvents();
}

void TForm1::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PicteazaGradient(p, rect(), QColor(0xC2, 0xD2, 0xF3), QColor(0x0E, 0x23, 0x56));
  if (latimeBara_ > 0) {
    // The brush origin at the bar's corner lines the pattern's rows up with it.
    p.setBrushOrigin(48, 160);
    p.fillRect(QRect(48, 160, latimeBara_, 18), QBrush(Image1));
  }
}
