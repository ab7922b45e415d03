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
  auto* grila = new QGridLayout;
  grila->setHorizontalSpacing(12);
  grila->setVerticalSpacing(8);
  root->addLayout(grila);

  Label6 = new QLabel(this);
  Label6->setObjectName("Label6");
  Label14 = new QLabel("0000000000", this);
  Label14->setObjectName("Label14");
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

  struct Rand {
    const char* nume;
    const char* text;
    QWidget* camp;
  };
  const Rand randuri[] = {{"Label1", "CLIENT :", Label6},
                          {"Label2", "COMANDA NR.", Label14},
                          {"Label3", "DATA PRELUARII", Data1},
                          {"Label4", "TERMEN DE PREDARE", data2},
                          {"Label5", "A FOST PREDATA", ComboBox1}};
  int rand = 0;
  for (const Rand& r : randuri) {
    auto* eticheta = new QLabel(r.text, this);
    eticheta->setObjectName(r.nume);
    QFont bold = eticheta->font();
    bold.setBold(true);
    eticheta->setFont(bold);
    if (r.camp == Label6 || r.camp == Label14) r.camp->setFont(bold);
    grila->addWidget(eticheta, rand, 0);
    grila->addWidget(r.camp, rand++, 1);
  }
  Label6->setMinimumWidth(260);

  BitBtn1 = SaveButton(this);
  BitBtn2 = CancelButton(this);
  root->addSpacing(8);
  root->addLayout(ButtonRow(BitBtn1, BitBtn2));
  setTabOrder(Data1, data2);
  setTabOrder(data2, ComboBox1);
  setTabOrder(ComboBox1, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
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
