#include "shell/Unit3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "admin/Unit4.h"
#include "admin/Unit6.h"
#include "orders/Comenzi.h"
#include "orders/LUCRU.h"
#include "reports/Rapoarte.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "warehouse/Magazie.h"

TForm3::TForm3(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form3");
  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName("ToolBar1");
  auto buton = [this](const char* name, const QString& caption, const QString& hint, bool on,
                      void (TForm3::*click)()) {
    auto* b = new QToolButton(ToolBar1);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(hint);
    b->setEnabled(on);
    ToolBar1->addWidget(b);
    connect(b, &QToolButton::clicked, this, click);
    return b;
  };
  ToolButton5 = buton("ToolButton5", "Magazie", "Magazie. Intrari. Gestiune.", false,
                      &TForm3::ToolButton5Click);
  ToolButton9 = buton("ToolButton9", "Comenzi", "Comenzi - Istoric, Adaugare, Modificare.", false,
                      &TForm3::ToolButton9Click);
  ToolButton8 = buton("ToolButton8", "In lucru", "Comenzi in lucru. Detalii.", false,
                      &TForm3::ToolButton8Click);
  ToolButton7 =
      buton("ToolButton7", "Rapoarte", "Diverse rapoarte.", false, &TForm3::ToolButton7Click);
  ToolButton2 =
      buton("ToolButton2", " Admin", "Administrare program.", true, &TForm3::ToolButton2Click);
  ToolButton4 = buton("ToolButton4", "Salvare", "Salvare - Restaurare baza de date.", false,
                      &TForm3::ToolButton4Click);
  ToolButton1 = buton("ToolButton1", " Iesire", "Inchide program.", true, &TForm3::ToolButton1Click);
  addToolBar(ToolBar1);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  setStatusBar(StatusBar1);
}

TForm3::~TForm3() { FormDestroy(); }

void TForm3::SeteazaDeblocare(bool deblocat) {
  ProgramDeblocat = deblocat;
  for (QToolButton* b : {ToolButton5, ToolButton9, ToolButton8, ToolButton7, ToolButton4})
    b->setEnabled(deblocat);
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

void TForm3::FormShow() {}

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
