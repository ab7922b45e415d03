#include "payments/AddPLATA.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "orders/DialogButtons.h"
#include "shell/Forms.h"
#include "shell/NumberBox.h"
#include "shell/Unit1.h"
#include "warehouse/UpperCase.h"

TForm43::TForm43(QWidget* parent) : QDialog(parent) {
  setObjectName("Form43");
  setWindowTitle("ADAUGARE INCASARE");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* root = new QVBoxLayout(this);
  Data1 = new QDateEdit(this);
  Data1->setObjectName("Data1");
  Data1->setDisplayFormat("dd.MMM.yyyy");
  Data1->setCalendarPopup(true);
  Label1 = new QLabel("0.00", this);
  Label1->setObjectName("Label1");
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit1->setMaxLength(40);
  MakeUpperCase(Edit1);
  Edit2 = NumberBox(this, "Edit2", 9);
  Edit2->installEventFilter(this);
  root->addLayout(EntryRows(this, {{"Label2", "DATA INCASARII", Data1},
                                   {"Label3", "REST DE INCASAT", Label1},
                                   {"Label4", "DOC.JUSTIFICATIV", Edit1},
                                   {"Label5", "SUMA", Edit2}}));
  Edit1->setMinimumWidth(300);
  Edit2->setMaximumWidth(140);
  Data1->setMaximumWidth(160);
  AddSaveCancel(this, root, &BitBtn1, &BitBtn2, {Data1, Edit1, Edit2});
  connect(BitBtn1, &QPushButton::clicked, this, &TForm43::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm43::BitBtn2Click);
  setFixedSize(sizeHint());
}

bool TForm43::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit2 && event->type() == QEvent::KeyPress) {
    return NumberBoxKey(Edit2, static_cast<QKeyEvent*>(event));
  }
  return QDialog::eventFilter(watched, event);
}

Formats::Amount TForm43::Adauga(Formats::Amount rest) {
  Label1->setText(rest.ToString00());
  rezultat_ = Formats::Amount();
  Data1->setDate(QDate::currentDate());
  Edit1->clear();
  Edit2->setText("0");
  maxim_ = rest;
  Data1->setFocus();
  exec();
  return rezultat_;
}

void TForm43::BitBtn1Click() {
  Edit2->setText(Form1()->FALNumar(Edit2->text()));
  // Rounded to the cent once, before it is compared: exactly the rest is
  // accepted, and what is compared is what is stored.
  const Formats::Amount suma = Formats::Amount::Parse(Edit2->text()).RoundedToCents();
  if (suma <= Formats::Amount()) {
    Form1()->HEroare("Nu ati specificat Suma !", BitBtn1);
    return;
  }
  if (suma > maxim_) {
    Form1()->HEroare("Suma e mai mare decat Restul !", BitBtn1);
    return;
  }
  rezultat_ = suma;
  accept();
}

void TForm43::BitBtn2Click() { reject(); }
