#include "payments/PLATI.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "controls/ConvexButton.h"
#include "orders/Comenzi.h"
#include "payments/AddPLATA.h"
#include "shell/BusyWindow.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "store/Transaction.h"

namespace {

std::string Std(const QString& s) { return s.toStdString(); }

// A figure as the labels show it, thousands separated: "1,024.13".
QString Grupat(Formats::Amount a) {
  return Formats::FormatFloat(Formats::kMoneyGrouped, a.RoundedToCents().ToDouble());
}

// A label's figure, its thousands separators left out.
Formats::Amount Citeste(const QLabel* l) {
  return Formats::Amount::Parse(QString(l->text()).remove(Formats::ThousandSeparator()));
}

}  // namespace

TForm42::TForm42(QWidget* parent) : QDialog(parent) {
  setObjectName("Form42");
  setWindowTitle("PLATI");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* root = new QVBoxLayout(this);
  auto* grila = new QGridLayout;
  grila->setHorizontalSpacing(12);
  root->addLayout(grila);
  auto valoare = [this](const char* name) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    return l;
  };
  Label1 = valoare("Label1");
  Label6 = valoare("Label6");
  Label10 = valoare("Label10");
  Label7 = valoare("Label7");
  Label12 = valoare("Label12");
  const std::pair<const char*, QLabel*> randuri[] = {{"CLIENT ", Label1},
                                                     {"COMANDA Nr.", Label6},
                                                     {"COST TOTAL", Label10},
                                                     {"TOTAL ACHITAT :", Label7},
                                                     {"REST DE PLATA", Label12}};
  int rand = 0;
  for (const auto& [text, camp] : randuri) {
    auto* eticheta = new QLabel(text, this);
    eticheta->setObjectName(QString("Eticheta%1").arg(rand));
    grila->addWidget(eticheta, rand, 0);
    grila->addWidget(camp, rand++, 1);
  }
  for (QLabel* l : {Label10, Label7, Label12}) l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label1->setMinimumWidth(260);

  auto* titlu = new QLabel("PLATI EFECTUTATE", this);
  titlu->setObjectName("Label2");
  titlu->setAlignment(Qt::AlignHCenter);
  QFont ft = titlu->font();
  ft.setBold(true);
  titlu->setFont(ft);
  root->addSpacing(6);
  root->addWidget(titlu);
  DBGrid3 = new DbGrid(this);
  DBGrid3->setObjectName("DBGrid3");
  const Qt::Alignment centru = Qt::AlignHCenter | Qt::AlignVCenter;
  DBGrid3->SetColumns({
      {.field = "DATA", .title = "DATA", .alignment = centru, .centredTitle = true, .width = 110},
      {.field = "DOCJUS",
       .title = "DOC.JUSTIFICATIV",
       .alignment = centru,
       .centredTitle = true,
       .width = 220},
      {.field = "SUMA", .title = "SUMA", .width = 110},
  });
  DBGrid3->SetQuery(&M1);
  DBGrid3->setMinimumSize(480, 220);
  root->addWidget(DBGrid3, 1);

  BitBtn1 = ConvexButton(this, "BitBtn1", "ADAUGA PLATA");
  BitBtn2 = ConvexButton(this, "BitBtn2", "STERGE PLATA");
  BitBtn3 = ConvexButton(this, "BitBtn3", "INCHIDE FEREASTRA");
  auto* butoane = new QHBoxLayout;
  for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3}) butoane->addWidget(b);
  root->addLayout(butoane);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm42::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm42::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TForm42::BitBtn3Click);
  setFixedSize(sizeHint());
}

TForm42::~TForm42() { DBGrid3->SetQuery(nullptr); }

bool TForm42::AdaugaPlata() {
  schimbat_ = false;
  Form1()->QueryRst(M1);
  M1.SQL().Add(Std("SELECT * FROM " + TabelData("Plati.dbf")));
  M1.SQL().Add(Std("WHERE CODCAP=" + Label6->text()));
  M1.SQL().Add("ORDER BY DATA,CODPL");
  DeschideM1();
  exec();
  return schimbat_;
}

void TForm42::DeschideM1() {
  M1.Open();
  if (lumi::TField* f = M1.FindField("DATA")) f->SetDisplayFormat("dd.MMM.yyyy");
  if (lumi::TField* f = M1.FindField("SUMA")) f->SetDisplayFormat(Formats::kMoney);
}

void TForm42::AdaugaSuma(const QString& delta) {
  const Formats::Amount d = Formats::Amount::Parse(delta);
  Label12->setText(Grupat(Citeste(Label12) + d));
  Label7->setText(Grupat(Citeste(Label7) - d));
}

void TForm42::Executa(const QString& deltaRest, const QString& cod) {
  M1.Close();
  std::exception_ptr eroare;
  try {
    // The receipt and the balance it moves are written together.
    store::AsOneChange([&] {
      Sx.ExecSQL();
      Form1()->QueryRst(Sx);
      Sx.SQL().Add(Std("UPDATE " + TabelData("CapCom.dbf")));
      Sx.SQL().Add(Std("SET REST=REST+(" + deltaRest + ")"));
      Sx.SQL().Add(Std("WHERE CODCAP=" + Label6->text()));
      Sx.ExecSQL();
    });
  } catch (...) {
    eroare = std::current_exception();
  }
  DeschideM1();
  if (!cod.isEmpty()) M1.Locate("CODPL", Std(cod));
  if (eroare) std::rethrow_exception(eroare);
}

void TForm42::BitBtn1Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  const Formats::Amount suma = Form43()->Adauga(Citeste(Label12));
  if (suma == Formats::Amount()) return;
  const QString cod = Form1()->CodNou("CODPL");
  TForm43* f = Form43();
  Form1()->QueryRst(Sx);
  auto& l = Sx.SQL();
  l.Add(Std("INSERT INTO " + TabelData("Plati.dbf")));
  l.Add("(CODPL,CODCAP,CODCLI,DATA,SUMA,DOCJUS)");
  l.Add("VALUES (");
  l.Add(Std(cod + ","));
  l.Add(Std(Label6->text() + ","));
  l.Add(Form7()->CZ1.FieldByName("CODCLI").AsString() + ",");
  l.Add(Std("\"" + Formats::SqlDate(f->Data1->date()) + "\","));
  l.Add(Std(suma.ToSql() + ","));
  l.Add(Std(Form1()->FALStrToSQL(f->Edit1->text()) + " )"));
  Executa("-" + suma.ToSql(), cod);
  AdaugaSuma("-" + suma.ToSql());
  schimbat_ = true;
}

void TForm42::BitBtn2Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (M1.IsEmpty()) {
    Form1()->HEroare("Nu aveti ce sterge !", BitBtn2);
    return;
  }
  QString raspuns;
  Form30()->Mesaj("Sterg plata ?", "Confirmation", raspuns, 1);
  if (raspuns != "DA") return;
  const Formats::Amount suma =
      Formats::Amount::FromDouble(M1.FieldByName("SUMA").AsFloat()).RoundedToCents();
  schimbat_ = true;
  Sx.SQL().Clear();
  Sx.SQL().Add(Std("DELETE FROM " + TabelData("Plati.dbf")));
  Sx.SQL().Add("WHERE CODPL=" + M1.FieldByName("CODPL").AsString());
  Executa(suma.ToSql(), QString());
  AdaugaSuma(suma.ToSql());
}

void TForm42::BitBtn3Click() { accept(); }

void TForm42::done(int result) {
  M1.SQL().Clear();
  QDialog::done(result);
}
