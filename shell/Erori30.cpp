#include "shell/Erori30.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTextLayout>

#include "controls/GradientPanel.h"
#include "shell/MessagePictures.h"

namespace {

constexpr int kInaltime = 126;
constexpr int kPasLinie = 16;  // the labels stand at y 8, 24, 40, 56
constexpr int kLatimeMemo = 385;
// The memo's text area: its width less the border and the margins of an edit box.
constexpr int kLatimeText = kLatimeMemo - 8;

struct Fel {
  const char* tip;
  const char* titlu;
  int imagine;  // 1..4: I1..I4
  QRgb culoare;
};

constexpr Fel kFeluri[] = {
    {"Warning", "ATENTIONARE !", 2, 0xC57B0E},
    {"Error", "DEFECTIUNE !", 1, 0xE10000},
    {"Confirmation", "CONFIRMARE", 3, 0x7D007D},
    {"Information", "INFORMARE", 4, 0x00009D},
};

QFont FontMesaj(int pixeli) {
  QFont f;
  // Liberation Sans has the metrics of the Windows dialog fonts.
  f.setFamilies({"MS Sans Serif", "Liberation Sans", "Arial"});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixeli);
  return f;
}

QLabel* Poza(QWidget* parent, const char* name, const QPixmap& pm) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setPixmap(pm);
  l->setGeometry(8, 8, 54, 54);
  l->setAttribute(Qt::WA_TranslucentBackground);
  l->hide();
  return l;
}

}  // namespace

TForm30::TForm30(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("Form30");
  setModal(true);
  setFixedSize(260, kInaltime);

  GradientPanel1 = new TGradientPanel(this);
  GradientPanel1->setObjectName("GradientPanel1");
  GradientPanel1->setGeometry(rect());

  I1 = Poza(GradientPanel1, "I1", DeseneazaEroare());
  I2 = Poza(GradientPanel1, "I2", DeseneazaAtentionare());
  I3 = Poza(GradientPanel1, "I3", DeseneazaConfirmare());
  I4 = Poza(GradientPanel1, "I4", DeseneazaInformare());

  Label1 = Eticheta(1);
  Label2 = Eticheta(2);
  Label3 = Eticheta(3);
  Label4 = Eticheta(4);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setFont(FontMesaj(11));  // 8 points at 96 dots per inch
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setGeometry(0, 0, kLatimeMemo, 89);
  Memo1->hide();

  auto buton = [this](const char* name, const QString& caption, void (TForm30::*click)()) {
    auto* b = new QPushButton(caption, GradientPanel1);
    b->setObjectName(name);
    b->setFixedSize(90, 25);
    b->setAutoDefault(true);
    b->hide();
    connect(b, &QPushButton::clicked, this, click);
    return b;
  };
  Da = buton("Da", "DA", &TForm30::DaClick);
  Nu = buton("Nu", "NU", &TForm30::NuClick);
  Bo = buton("Bo", "OK", &TForm30::BoClick);
  Br = buton("Br", "Renunt", &TForm30::BrClick);
}

QLabel* TForm30::Eticheta(int i) {
  while (etichete_.size() < i) {
    const int n = etichete_.size() + 1;
    auto* l = new QLabel(GradientPanel1);
    l->setObjectName(QString("Label%1").arg(n));
    l->setFont(FontMesaj(13));
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(pal);
    l->move(72, 8 + kPasLinie * (n - 1));
    l->hide();
    etichete_.push_back(l);
  }
  return etichete_[i - 1];
}

QStringList TForm30::RupeInLinii(const QString& text) const {
  QStringList linii;
  if (text.isEmpty()) return linii;
  // A line break is CR LF, or a lone CR or LF, as text boxes take them.
  QStringList paragrafe = text.split(QRegularExpression("\r\n|\r|\n"));
  if (paragrafe.size() > 1 && paragrafe.last().isEmpty()) paragrafe.removeLast();
  for (const QString& par : paragrafe) {
    if (par.isEmpty()) {
      linii << QString();
      continue;
    }
    QTextLayout layout(par, Memo1->font());
    QTextOption opt;
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(opt);
    layout.beginLayout();
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
      l.setLineWidth(kLatimeText);
    }
    layout.endLayout();
    const int n = layout.lineCount();
    for (int i = 0; i < n; ++i) {
      const QTextLine l = layout.lineAt(i);
      QString s = par.mid(l.textStart(), l.textLength());
      // The blanks where a line was wrapped belong to neither line.
      if (i + 1 < n) {
        while (s.endsWith(' ')) s.chop(1);
      }
      linii << s;
    }
  }
  return linii;
}

void TForm30::Mesaj(const QString& text, const QString& tip, QString& raspuns, int butoane) {
  QString fel = tip.toLower();
  if (!fel.isEmpty()) fel[0] = fel[0].toUpper();
  for (QLabel* i : {I1, I2, I3, I4}) i->hide();
  // An unknown kind is shown as information rather than without a picture.
  const Fel* f = &kFeluri[3];
  for (const Fel& k : kFeluri) {
    if (fel == k.tip) f = &k;
  }
  setWindowTitle(f->titlu);
  QLabel* poze[] = {I1, I2, I3, I4};
  poze[f->imagine - 1]->show();
  const QColor culoare(f->culoare);
  GradientPanel1->SeteazaCulori(culoare, Qt::black);
  const QString stil = QString(
                           "QPushButton { background-color: %1; color: white; font-weight: bold;"
                           " border: 1px solid black; }"
                           "QPushButton:focus { border: 2px solid white; }"
                           "QPushButton:pressed { background-color: %2; }")
                           .arg(culoare.name(), culoare.darker(140).name());
  for (QPushButton* b : {Da, Nu, Bo, Br}) b->setStyleSheet(stil);

  Memo1->setPlainText(text);
  const QStringList linii = RupeInLinii(text);
  const int n = static_cast<int>(linii.size());
  for (int i = n + 1; i <= etichete_.size(); ++i) Eticheta(i)->hide();

  int w = 220;
  for (int i = 1; i <= n; ++i) {
    QLabel* l = Eticheta(i);
    l->setText(linii[i - 1]);
    l->adjustSize();
    l->show();
    if (l->width() >= w - 60) w = l->width() + 60;
  }
  const int latime = w + 40;
  const int extra = n > 4 ? kPasLinie * (n - 4) : 0;
  setFixedSize(latime, kInaltime + extra);

  RaspunsMesaj = "RENUNT";
  for (QPushButton* b : {Da, Nu, Bo, Br}) b->hide();
  const int y = 88 + extra;
  QPushButton* focus = Bo;
  if (butoane == 1 || butoane == 2) {
    QPushButton* stanga = butoane == 1 ? Da : Bo;
    QPushButton* dreapta = butoane == 1 ? Nu : Br;
    const int g = (latime - 180) / 3;
    stanga->move(g, y);
    dreapta->move(2 * g + 90, y);
    stanga->show();
    dreapta->show();
    focus = dreapta;
  } else {
    Bo->move((latime - 90) / 2, y);
    Bo->show();
  }

  if (QScreen* s = QGuiApplication::primaryScreen()) {
    move(s->availableGeometry().center() - QPoint(latime / 2, (kInaltime + extra) / 2));
  }
  focus->setFocus();
  exec();
  raspuns = RaspunsMesaj;
}

void TForm30::BoClick() {
  RaspunsMesaj = "OK";
  accept();
}

void TForm30::BrClick() {
  RaspunsMesaj = "RENUNT";
  accept();
}

void TForm30::DaClick() {
  RaspunsMesaj = "DA";
  accept();
}

void TForm30::NuClick() {
  RaspunsMesaj = "NU";
  accept();
}

void TForm30::keyPressEvent(QKeyEvent* event) { FormKeyDown(event); }

void TForm30::FormKeyDown(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm30::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  GradientPanel1->setGeometry(rect());
}
