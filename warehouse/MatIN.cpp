#include "warehouse/MatIN.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "shell/NumberBox.h"
#include "shell/Unit1Helpers.h"
#include "warehouse/Magazie.h"
#include "warehouse/UpperCase.h"

namespace {

constexpr int kMarfa = 0;

// The largest values the columns of Magazie.dbf hold: CANTIN DECIMAL(8,3),
// PRET DECIMAL(8,2), LATIME DECIMAL(6,3).
constexpr double kCantitateMaxima = 9999.999;
constexpr double kPretMaxim = 99999.99;
constexpr double kLatimeMaxima = 99.999;

QComboBox* CasetaText(QWidget* parent, const char* name, int lungime) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setCompleter(nullptr);  // the one completion comes from the list entry
  c->lineEdit()->setMaxLength(lungime);
  MakeUpperCase(c->lineEdit());
  return c;
}

}  // namespace

TForm38::TForm38(QWidget* parent) : QDialog(parent) {
  setObjectName("Form38");
  setWindowTitle("DETALII PRODUS");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  BuildLayout();
  // FormCreate: today's date; the change counter at rest.
  DataIn->setDate(QDate::currentDate());
  contorSchimbari_ = 0;
}

void TForm38::BuildLayout() {
  auto* root = new QVBoxLayout(this);
  auto* grila = new QGridLayout;
  grila->setHorizontalSpacing(12);
  grila->setVerticalSpacing(6);
  root->addLayout(grila);

  DataIn = new QDateEdit(this);
  DataIn->setObjectName("DataIn");
  DataIn->setDisplayFormat("dd.MMM.yyyy");
  DataIn->setCalendarPopup(true);
  ComboBox1 = CasetaText(this, "ComboBox1", 40);
  ComboBox2 = CasetaText(this, "ComboBox2", 40);
  ComboBox3 = CasetaText(this, "ComboBox3", 3);
  Edit2 = NumberBox(this, "Edit2", 9);
  Edit6 = NumberBox(this, "Edit6", 10);
  ComboBox4 = new QComboBox(this);
  ComboBox4->setObjectName("ComboBox4");
  ComboBox4->addItems({"MARFA", "MATERIALE AUXILIARE", "MANOPERA"});
  Edit1 = NumberBox(this, "Edit1", 7);
  Label7 = new QLabel("LATIMEA", this);
  Label7->setObjectName("Label7");

  struct Rand {
    const char* nume;
    const char* eticheta;
    QWidget* camp;
  };
  const Rand randuri[] = {
      {"Label1", "DATA INTRARII", DataIn},      {"Label2", "FURNIZOR", ComboBox1},
      {"Label3", "DENUMIRE PRODUS", ComboBox2}, {"Label4", "U.M.", ComboBox3},
      {"Label5", "CANTITATEA INTRATA", Edit2},  {"Label6", "PRET UNITAR", Edit6},
      {"Label8", "CATEGORIA", ComboBox4},       {nullptr, nullptr, Edit1},
  };
  int rand = 0;
  for (const Rand& r : randuri) {
    QLabel* eticheta = Label7;
    if (r.nume != nullptr) {
      eticheta = new QLabel(r.eticheta, this);
      eticheta->setObjectName(r.nume);
    }
    QFont bold = eticheta->font();
    bold.setBold(true);
    eticheta->setFont(bold);
    grila->addWidget(eticheta, rand, 0);
    grila->addWidget(r.camp, rand, 1);
    ++rand;
  }
  ComboBox1->setMinimumWidth(320);
  for (QWidget* w : {static_cast<QWidget*>(ComboBox3), static_cast<QWidget*>(Edit2),
                     static_cast<QWidget*>(Edit6), static_cast<QWidget*>(Edit1),
                     static_cast<QWidget*>(DataIn)}) {
    w->setMaximumWidth(140);
  }
  // Hiding the width keeps its place, so the dialog does not change shape.
  for (QWidget* w : {static_cast<QWidget*>(Label7), static_cast<QWidget*>(Edit1)}) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
  }

  BitBtn1 = new QPushButton("MEMOREAZA", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton("RENUNT", this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  BitBtn2->setAutoDefault(false);
  auto* butoane = new QHBoxLayout;
  butoane->addStretch();
  butoane->addWidget(BitBtn1);
  butoane->addWidget(BitBtn2);
  root->addSpacing(8);
  root->addLayout(butoane);

  setTabOrder(DataIn, ComboBox1);
  setTabOrder(ComboBox1, ComboBox2);
  setTabOrder(ComboBox2, ComboBox3);
  setTabOrder(ComboBox3, Edit2);
  setTabOrder(Edit2, Edit6);
  setTabOrder(Edit6, ComboBox4);
  setTabOrder(ComboBox4, Edit1);
  setTabOrder(Edit1, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);

  for (QLineEdit* e : {Edit2, Edit6, Edit1}) e->installEventFilter(this);
  // A choice by the user only: the warehouse window sets the category itself
  // and then applies the width rule.
  connect(ComboBox4, &QComboBox::activated, this, [this](int) { ComboBox4Change(); });
  connect(BitBtn1, &QPushButton::clicked, this, &TForm38::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm38::BitBtn2Click);
  for (QComboBox* c : {ComboBox1, ComboBox2, ComboBox3}) {
    // Taking the offered entry must not tie the box's text to the list, or
    // the next completion would overwrite what the user types.
    connect(c, &QComboBox::activated, this, [c](int) {
      const QString text = c->currentText();
      const QSignalBlocker liniste(c);
      c->setCurrentIndex(-1);
      c->setEditText(text);
    });
  }
  setFixedSize(sizeHint());
}

void TForm38::StergeFormular() {
  ComboStop(true);
  Edit6->setText("0");
  Sx.SQL().Clear();
  Sx.SQL().Add(("SELECT * FROM \"" + CaleData + "\\Magazie.dbf\"").toStdString());
  Sx.Open();
  ComboBox4->setCurrentIndex(0);
  for (QComboBox* c : {ComboBox1, ComboBox2, ComboBox3}) {
    c->clear();
    c->addItem(QString());
    c->setCurrentIndex(-1);
    c->setEditText(QString());
  }
  Edit2->setText("0");
  AscundeLatime(false);
}

bool TForm38::Adauga(const QString& caption) {
  setWindowTitle(caption);
  modificare_ = caption == "MODIFICARE PRODUS";
  rezultat_ = false;
  DataIn->setFocus();
  ComboStop(false);
  exec();
  return rezultat_;
}

void TForm38::AscundeLatime(bool ascunde) {
  Label7->setVisible(!ascunde);
  Edit1->setVisible(!ascunde);
  if (!ascunde) Edit1->setText("0");
}

void TForm38::ComboBox4Change() { AscundeLatime(ComboBox4->currentIndex() > 0); }

void TForm38::ComboStop(bool stop) {
  for (const QMetaObject::Connection& c : legaturi_) disconnect(c);
  legaturi_.clear();
  if (stop) return;
  for (QComboBox* c : {ComboBox1, ComboBox2, ComboBox3}) {
    legaturi_.append(connect(c, &QComboBox::editTextChanged, this,
                             [this, c](const QString&) { ComboBox1Change(c); }));
  }
}

void TForm38::ComboBox1Change(QComboBox* box) {
  if (!deCompletat_.contains(box)) deCompletat_.append(box);
  if (contorSchimbari_++ != 0) return;  // a lookup is running; it sees the change
  try {
    while (!deCompletat_.isEmpty()) {
      // Every box changed meanwhile gets its completion for its current text.
      const QList<QComboBox*> boxes = deCompletat_;
      deCompletat_.clear();
      for (QComboBox* b : boxes) Completeaza(b);
      contorSchimbari_ = 1;
      QApplication::processEvents();  // typing goes on during the lookup
    }
  } catch (...) {
    // A failed lookup must not leave the handler looking busy for good.
    contorSchimbari_ = 0;
    deCompletat_.clear();
    throw;
  }
  contorSchimbari_ = 0;
}

void TForm38::Completeaza(QComboBox* box) {
  const char* coloana = box == ComboBox1 ? "FURNIZOR" : box == ComboBox2 ? "DENUMIRE" : "UM";
  QString completare;
  const QString text = box->currentText();
  if (Sx.Active() &&
      Sx.Locate(coloana, text.toStdString(), {.case_insensitive = true, .partial_key = true})) {
    completare = QString::fromStdString(Sx.FieldByName(coloana).AsString());
  }
  // The list entry is only an offer: it must never replace the typed text.
  QLineEdit* edit = box->lineEdit();
  const int caret = edit->cursorPosition();
  const QSignalBlocker liniste(box);
  if (box->currentIndex() != -1) {
    box->setCurrentIndex(-1);
    box->setEditText(text);
    edit->setCursorPosition(caret);
  }
  if (box->count() == 0) box->addItem(QString());
  box->setItemText(0, completare);
}

bool TForm38::Edit2KeyDown(QLineEdit* box, QKeyEvent* event) { return NumberBoxKey(box, event); }

bool TForm38::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (auto* box = qobject_cast<QLineEdit*>(watched)) {
      return Edit2KeyDown(box, static_cast<QKeyEvent*>(event));
    }
  }
  return QDialog::eventFilter(watched, event);
}

double TForm38::RescrieNumar(QLineEdit* box) {
  box->setText(Form1()->FALNumar(box->text()));
  return Formats::StrToFloat(box->text());
}

void TForm38::BitBtn1Click() {
  const bool marfa = ComboBox4->currentIndex() == kMarfa;
  const auto curata = [](QComboBox* c) {
    const QString t = Form1()->Curata(c->currentText());
    if (t != c->currentText()) c->setEditText(t);
    return t;
  };
  if (curata(ComboBox1).isEmpty() && marfa) {
    ComboBox1->setFocus();
    Form1()->HEroare("Nu ati scris furnizorul !", ComboBox1);
    return;
  }
  if (curata(ComboBox2).isEmpty()) {
    ComboBox2->setFocus();
    Form1()->HEroare("Nu ati scris Denumirea Produsului !", ComboBox2);
    return;
  }
  if (curata(ComboBox3).isEmpty() && marfa) {
    ComboBox3->setFocus();
    Form1()->HEroare("Nu ati scris Unitatea de Masura !", ComboBox3);
    return;
  }
  double cantitate = RescrieNumar(Edit2);
  if (!marfa) {
    Edit2->setText("1");
    cantitate = 1;
  } else if (cantitate == 0) {
    Form1()->HEroare("Nu ati scris Cantitatea !", Edit2);
    return;
  }
  if (cantitate > kCantitateMaxima) {
    Form1()->HEroare("Cantitatea nu poate depasi 9999.999 !", Edit2);
    return;
  }
  const double pret = RescrieNumar(Edit6);
  if (pret == 0) {
    Form1()->HEroare(marfa ? "Nu ati scris Pretul Unitar !" : "Nu ati scris Valoarea !", Edit6);
    return;
  }
  if (pret > kPretMaxim) {
    Form1()->HEroare(
        marfa ? "Pretul Unitar nu poate depasi 99999.99 !" : "Valoarea nu poate depasi 99999.99 !",
        Edit6);
    return;
  }
  if (modificare_) {
    const double iesit = Form6()->M1.FieldByName("IESIT").AsFloat();
    if (cantitate < iesit) {
      Form1()->HEroare("Cantitatea trebuie sa fie minim " + Formats::FloatToStr(iesit) +
                           ", conform comenzilor !",
                       Edit2);
      return;
    }
  }
  if (RescrieNumar(Edit1) > kLatimeMaxima) {
    Form1()->HEroare("Latimea nu poate depasi 99.999 !", Edit1);
    return;
  }
  rezultat_ = true;
  accept();
}

void TForm38::BitBtn2Click() { reject(); }

void TForm38::done(int result) {
  Sx.Close();  // FormClose
  QDialog::done(result);
}
