#include "orders/ComenziIN.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "orders/DialogButtons.h"
#include "shell/Unit1.h"
#include "shell/Forms.h"

TForm40::TForm40(QWidget* parent) : QDialog(parent) {
  setObjectName("Form40");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* root = new QVBoxLayout(this);
  Label6 = new QLabel(this);
  Label6->setObjectName("Label6");
  Label14 = new QLabel("0000000000", this);
  Label14->setObjectName("Label14");
  for (QLabel* l : {Label6, Label14}) {
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
  }
  Data1 = new QDateEdit(this);
  Data1->setObjectName("Data1");
  data2 = new QDateEdit(this);
  data2->setObjectName("data2");
  for (QDateEdit* d : {Data1, data2}) {
    d->setDisplayFormat("dd.MMM.yyyy");
    d->setCalendarPopup(true);
  }
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->addItems({"NU", "DA"});
  root->addLayout(EntryRows(this, {{"Label1", "CLIENT :", Label6},
                                   {"Label2", "COMANDA NR.", Label14},
                                   {"Label3", "DATA PRELUARII", Data1},
                                   {"Label4", "TERMEN DE PREDARE", data2},
                                   {"Label5", "A FOST PREDATA", ComboBox1}}));
  Label6->setMinimumWidth(260);
  AddSaveCancel(this, root, &BitBtn1, &BitBtn2, {Data1, data2, ComboBox1});
  connect(BitBtn1, &QPushButton::clicked, this, &TForm40::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm40::BitBtn2Click);
  setFixedSize(sizeHint());
}

void TForm40::StergeFormular() {
  Label14->setText(Form1()->CodExistent("CODCAP"));
  Data1->setDate(QDate::currentDate());
  data2->setDate(QDate::currentDate());
  ComboBox1->setCurrentText("NU");
}

bool TForm40::Adauga(const QString& caption) {
  setWindowTitle(caption);
  rezultat_ = false;
  Data1->setFocus();
  exec();
  return rezultat_;
}

void TForm40::BitBtn1Click() {
  if (data2->date() < Data1->date()) {
    Form1()->HEroare("Datele calendaristice nu sunt corecte !", Data1);
    return;
  }
  rezultat_ = true;
  accept();
}

void TForm40::BitBtn2Click() { reject(); }
