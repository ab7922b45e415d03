#include "shell/Unit3.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "admin/Unit4.h"
#include "admin/Unit6.h"
#include "controls/GradientPanel.h"
#include "orders/Comenzi.h"
#include "orders/LUCRU.h"
#include "reports/Rapoarte.h"
#include "shell/Erori30.h"
#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/ToolbarIcons.h"
#include "warehouse/Magazie.h"

namespace {

const QColor kFundal(0xA7, 0xBC, 0xEF);
constexpr int kInaltime = 74;

}  // namespace

TForm3::TForm3(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
  setObjectName("Form3");
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kFundal);
  setPalette(pal);
  setAutoFillBackground(true);
  ImageList1 = DeseneazaIconiteleBarei();

  auto* centru = new QWidget(this);
  auto* rand = new QHBoxLayout(centru);
  rand->setContentsMargins(0, 0, 0, 0);
  rand->setSpacing(0);

  ToolBar1 = new QToolBar(centru);
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(32, 32));
  ToolBar1->setStyleSheet("QToolBar { background: #A7BCEF; border: none; spacing: 0px; }");
  QFont font("Arial");
  font.setPixelSize(11);
  auto buton = [&](const char* name, const QString& caption, const QString& hint, int imagine,
                   bool on, void (TForm3::*click)()) {
    auto* b = new QToolButton(ToolBar1);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(QIcon(ImageList1[imagine]));
    b->setIconSize(QSize(32, 32));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setFixedSize(51, 52);
    b->setFont(font);
    b->setEnabled(on);
    ToolBar1->addWidget(b);
    connect(b, &QToolButton::clicked, this, click);
    return b;
  };
  ToolButton5 = buton("ToolButton5", "Magazie", "Magazie. Intrari. Gestiune.", 6, false,
                      &TForm3::ToolButton5Click);
  ToolButton9 = buton("ToolButton9", "Comenzi", "Comenzi - Istoric, Adaugare, Modificare.", 7,
                      false, &TForm3::ToolButton9Click);
  ToolButton8 = buton("ToolButton8", "In lucru", "Comenzi in lucru. Detalii.", 8, false,
                      &TForm3::ToolButton8Click);
  ToolButton7 =
      buton("ToolButton7", "Rapoarte", "Diverse rapoarte.", 4, false, &TForm3::ToolButton7Click);
  ToolButton2 =
      buton("ToolButton2", " Admin", "Administrare program.", 1, true, &TForm3::ToolButton2Click);
  ToolButton4 = buton("ToolButton4", "Salvare", "Salvare - Restaurare baza de date.", 3, false,
                      &TForm3::ToolButton4Click);
  ToolButton1 =
      buton("ToolButton1", " Iesire", "Inchide program.", 0, true, &TForm3::ToolButton1Click);
  rand->addWidget(ToolBar1, 1);

  Panel1 = new TGradientPanel(centru);
  Panel1->setObjectName("Panel1");
  Panel1->SeteazaCulori(kFundal, QColor(0x15, 0x34, 0x7D));
  Panel1->setFixedWidth(126);
  auto* dateBox = new QVBoxLayout(Panel1);
  dateBox->setContentsMargins(0, 0, 0, 0);
  Label1 = new QLabel(Panel1);
  Label1->setObjectName("Label1");
  QFont bold("Arial");
  bold.setPixelSize(15);
  bold.setBold(true);
  Label1->setFont(bold);
  QPalette alb = Label1->palette();
  alb.setColor(QPalette::WindowText, Qt::white);
  Label1->setPalette(alb);
  Label1->setAlignment(Qt::AlignCenter);
  dateBox->addWidget(Label1);
  rand->addWidget(Panel1);
  setCentralWidget(centru);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  auto* panou = new QLabel("ESC - Iesire din program", StatusBar1);
  panou->setObjectName("StatusText");
  StatusBar1->addWidget(panou, 1);
  setStatusBar(StatusBar1);
  // Hovering a button would otherwise replace the status text with its hint.
  for (QToolButton* b : findChildren<QToolButton*>()) b->setStatusTip(QString());

  setFixedHeight(kInaltime);
}

TForm3::~TForm3() { FormDestroy(); }

void TForm3::SeteazaDeblocare(bool deblocat) {
  ProgramDeblocat = deblocat;
  for (QToolButton* b : {ToolButton5, ToolButton9, ToolButton8, ToolButton7, ToolButton4})
    b->setEnabled(deblocat);
  ToolButton2->setIcon(QIcon(ImageList1[deblocat ? 7 : 1]));
}

void TForm3::ToolButton5Click() { Form6()->ArataMagazie(); }
void TForm3::ToolButton9Click() { Form7()->ArataComenzi(); }
void TForm3::ToolButton8Click() { Form8()->ArataLucru(); }
void TForm3::ToolButton7Click() { Form9()->ArataRaport(); }
void TForm3::ToolButton2Click() { Form4()->IdentificaAdmin(); }
void TForm3::ToolButton4Click() { Form21()->exec(); }
void TForm3::ToolButton1Click() { close(); }

void TForm3::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormShow();
}

void TForm3::FormShow() {
  if (QScreen* s = screen()) {
    const QRect ecran = s->availableGeometry();
    const int margini = frameGeometry().width() - width();
    setFixedWidth(ecran.width() - margini);
    move(ecran.topLeft());
  }
  Label1->setText(Formats::DateShown(QDate::currentDate()));
}

void TForm3::keyPressEvent(QKeyEvent* event) { FormKeyDown(event); }

void TForm3::FormKeyDown(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F12:
      close();
      break;
    case Qt::Key_F10:
      ToolButton2Click();
      break;
    default:
      QMainWindow::keyPressEvent(event);
  }
}

void TForm3::closeEvent(QCloseEvent* event) { FormClose(event); }

void TForm3::FormClose(QCloseEvent* event) {
  QString raspuns;
  Form30()->Mesaj("Vreti sa inchideti programul?", "Confirmation", raspuns, 1);
  if (raspuns == "DA") {
    event->accept();
    QCoreApplication::quit();
  } else {
    event->ignore();
  }
}

void TForm3::FormDestroy() { StergeTabeleTemporare(); }
