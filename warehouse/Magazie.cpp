#include "warehouse/Magazie.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <exception>

#include "controls/ConvexButton.h"
#include "controls/TitleBand.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SqlText.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "warehouse/MatIN.h"
#include "warehouse/RadioGroup.h"
#include "warehouse/UpperCase.h"

namespace {

// The categories, in the order of TIP.
const QStringList kCategorii = {"Marfa", "Materiale Auxiliare", "Manopera"};
constexpr int kManopera = 2;
constexpr int kLichidate = 1;

std::string Std(const QString& s) { return s.toStdString(); }

}  // namespace

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setObjectName("Form6");
  setWindowTitle("MAGAZIE");
  setModal(true);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  BuildLayout();
}

// The grid reads M1 until it is destroyed; let it go before M1 does.
TForm6::~TForm6() { SMDBGrid1->SetQuery(nullptr); }

void TForm6::BuildLayout() {
  const ListWindowFrame frame = BuildListWindowFrame(this, "MAGAZIE - Intrari, Gestiune", 10);
  QHBoxLayout* corp = frame.body;
  StatusBar1 = frame.statusBar;

  // Left: the choices, the search and the buttons.
  auto* stanga = new QVBoxLayout;
  stanga->setSpacing(8);
  auto* panouStanga = new QWidget(this);
  panouStanga->setObjectName("Panel1");
  panouStanga->setFixedWidth(230);
  panouStanga->setLayout(stanga);
  stanga->setContentsMargins(0, 0, 0, 0);
  corp->addWidget(panouStanga);

  RadioGroup1 = new TRadioGroup("RadioGroup1", " AFISEAZA ",
                                {"Stocurile existente", "Stocurile lichidate"}, this);
  RadioGroup1->SetItemIndex(0);
  RadioGroup2 = new TRadioGroup("RadioGroup2", " CATEGORIA ", kCategorii, this);
  RadioGroup2->SetItemIndex(0);
  stanga->addWidget(RadioGroup1);
  stanga->addWidget(RadioGroup2);

  auto* cautare = new QGroupBox(" CAUTARE PRODUS ", this);
  cautare->setObjectName("GroupBox1");
  auto* cautareLayout = new QVBoxLayout(cautare);
  auto* eticheta = new QLabel("Denumirea", cautare);
  eticheta->setObjectName("Label2");
  Edit1 = new QLineEdit(cautare);
  Edit1->setObjectName("Edit1");
  MakeUpperCase(Edit1);
  cautareLayout->addWidget(eticheta);
  cautareLayout->addWidget(Edit1);
  stanga->addWidget(cautare);

  ConvexBtn1 = ConvexButton(this, "ConvexBtn1", "Adauga Produs", "Adauga un produs nou in magazie.");
  ConvexBtn2 =
      ConvexButton(this, "ConvexBtn2", "Modifica Produs", "Modifica Produsul selectat din tabel.");
  ConvexBtn3 = ConvexButton(this, "ConvexBtn3", "Sterge Produs", "Sterge Produsul selectat.");
  ConvexBtn4 = ConvexButton(this, "ConvexBtn4", "Listeaza Inventar", "Listeaza Tabelul afisat.");
  for (QPushButton* b : {ConvexBtn1, ConvexBtn2, ConvexBtn3, ConvexBtn4}) {
    b->setAutoDefault(false);
    stanga->addWidget(b);
  }
  stanga->addStretch();

  // Right: the list and its total.
  auto* dreapta = new QVBoxLayout;
  dreapta->setSpacing(4);
  corp->addLayout(dreapta, 1);
  auto* inventar = new QLabel("INVENTAR", this);
  inventar->setObjectName("Label4");
  QFont fi = inventar->font();
  fi.setBold(true);
  fi.setPointSize(fi.pointSize() + 2);
  inventar->setFont(fi);
  inventar->setAlignment(Qt::AlignHCenter);
  dreapta->addWidget(inventar);

  SMDBGrid1 = new DbGrid(this);
  SMDBGrid1->setObjectName("SMDBGrid1");
  const Qt::Alignment centru = Qt::AlignHCenter | Qt::AlignVCenter;
  SMDBGrid1->SetColumns({
      {.field = "DATAIN",
       .title = "DATA INT.",
       .alignment = centru,
       .boldTitle = true,
       .width = 96},
      {.field = "DENUMIRE", .title = "DENUMIRE", .boldTitle = true, .width = 280},
      {.field = "FURNIZOR", .title = "FURNIZOR", .boldTitle = true, .width = 220},
      {.field = "UM", .title = "UM", .alignment = centru, .boldTitle = true, .width = 44},
      {.field = "CANTIN", .title = "CANT.IN.", .boldTitle = true, .width = 86},
      {.field = "LATIME", .title = "LATIME", .boldTitle = true, .width = 72},
      {.field = "PRET", .title = "PRET", .boldTitle = true, .width = 86},
      {.field = "STOC", .title = "STOC", .boldTitle = true, .width = 86},
  });
  SMDBGrid1->SetQuery(&M1);
  dreapta->addWidget(SMDBGrid1, 1);

  Label3 = new QLabel("TOTAL : 0", this);
  Label3->setObjectName("Label3");
  QFont ft3 = Label3->font();
  ft3.setBold(true);
  Label3->setFont(ft3);
  Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  dreapta->addWidget(Label3);


  connect(RadioGroup1, &TRadioGroup::Click, this, &TForm6::RadioGroup2Click);
  connect(RadioGroup2, &TRadioGroup::Click, this, &TForm6::RadioGroup2Click);
  connect(Edit1, &QLineEdit::textChanged, this, &TForm6::RadioGroup2Click);
  connect(ConvexBtn1, &QPushButton::clicked, this, &TForm6::ConvexBtn1Click);
  connect(ConvexBtn2, &QPushButton::clicked, this, &TForm6::ConvexBtn2Click);
  connect(ConvexBtn3, &QPushButton::clicked, this, &TForm6::ConvexBtn3Click);
  connect(ConvexBtn4, &QPushButton::clicked, this, &TForm6::ConvexBtn4Click);
}

QString TForm6::CaleMagazie() const { return "\"" + CaleData + "\\Magazie.dbf\""; }

void TForm6::ArataMagazie() {
  Form1()->QueryRst(M1);
  M1.SQL().Add("SELECT *");
  M1.SQL().Add(Std("FROM " + CaleMagazie()));
  M1.SQL().Add("ORDER BY CODMAG");
  DeschideLista();
  M1.SetFilter(Std(Filtru6('\'')));
  M1.SetFiltered(true);
  ArataTotal();

  if (QScreen* ecran = screen()) setGeometry(ecran->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);
  exec();
}

QString TForm6::Filtru6(QChar ghilimea) {
  const bool sql = ghilimea == '"';
  QString conditii;
  if (RadioGroup2->ItemIndex() != kManopera) {
    if (RadioGroup1->ItemIndex() == 0) conditii += "(STOC>0)";
    if (RadioGroup1->ItemIndex() == kLichidate) conditii += "(STOC=0)";
  }
  conditii += "(TIP=" + QString::number(RadioGroup2->ItemIndex()) + ")";
  if (sql) conditii = "WHERE " + conditii;
  conditii = Form1()->PuneAnd(conditii);
  // The search text goes in as typed, its quotes doubled, after the other
  // conditions are joined, so that nothing in it is taken for SQL or for a
  // join between conditions.
  if (!Form1()->Curata(Edit1->text()).isEmpty()) {
    const QString text = Edit1->text();
    if (sql) {
      conditii += " AND (DENUMIRE LIKE \"" + SqlText::Escape(text, '"') + "%\")";
    } else {
      conditii += " AND (DENUMIRE='" + SqlText::Escape(text, '\'') + "*')";
    }
  }
  return conditii;
}

void TForm6::RadioGroup2Click() {
  M1.SetFilter(Std(Filtru6('\'')));
  ArataTotal();
}

Formats::Amount TForm6::TotalMag() {
  if (RadioGroup2->ItemIndex() == kManopera || RadioGroup1->ItemIndex() == kLichidate) {
    return Formats::Amount();
  }
  Sx.SQL().Clear();
  Sx.SQL().Add("SELECT SUM(STOC*PRET) AS TOTAL");
  Sx.SQL().Add(Std("FROM " + CaleMagazie()));
  Sx.SQL().Add(Std(Filtru6('"')));
  Sx.Open();
  const Formats::Amount total = Formats::Amount::FromDouble(Sx.FieldByName("TOTAL").AsFloat());
  Sx.Close();
  return total;
}

void TForm6::ArataTotal() { Label3->setText("TOTAL STOC = " + TotalMag().ToString00()); }

void TForm6::DeschideLista() {
  M1.Open();
  const std::pair<const char*, const char*> formate[] = {
      {"DATAIN", "dd.MMM.yyyy"}, {"CANTIN", Formats::kQuantity}, {"LATIME", Formats::kQuantity},
      {"PRET", Formats::kMoney}, {"STOC", Formats::kQuantity},   {"IESIT", Formats::kQuantity}};
  for (const auto& [camp, format] : formate) {
    if (lumi::TField* f = M1.FindField(camp)) f->SetDisplayFormat(format);
  }
}

void TForm6::ExecutaSiReafiseaza(const QString& cod) {
  M1.Close();
  try {
    Sx.ExecSQL();
  } catch (...) {
    // The list must not stay empty after a failed statement: show it again,
    // then let the error be reported.
    const std::exception_ptr eroare = std::current_exception();
    DeschideLista();
    if (!cod.isEmpty()) M1.Locate("CODMAG", Std(cod));
    ArataTotal();
    std::rethrow_exception(eroare);
  }
  DeschideLista();
  if (!cod.isEmpty()) M1.Locate("CODMAG", Std(cod));
  ArataTotal();
}

void TForm6::ConvexBtn1Click() {
  TForm38* f = Form38();
  f->StergeFormular();
  f->ComboBox4->setCurrentIndex(RadioGroup2->ItemIndex());
  f->ComboBox4Change();
  f->ComboBox2->setEditText(Edit1->text());
  if (!f->Adauga("ADAUGARE PRODUS")) return;

  const QString cod = Form1()->CodNou("CODMAG");
  const QString cantitate = f->Edit2->text();
  Form1()->QueryRst(Sx);
  auto& l = Sx.SQL();
  l.Add(Std("INSERT INTO " + CaleMagazie()));
  l.Add("(CODMAG,DATAIN,FURNIZOR,DENUMIRE,UM,CANTIN,LATIME,PRET,STOC,IESIT,TIP)");
  l.Add(Std("VALUES (" + cod + ",\"" + Formats::SqlDate(f->DataIn->date()) + "\","));
  l.Add(Std("\"" + SqlText::Escape(f->ComboBox1->currentText()) + "\",\"" +
            SqlText::Escape(f->ComboBox2->currentText()) + "\","));
  l.Add(Std("\"" + SqlText::Escape(f->ComboBox3->currentText()) + "\"," + cantitate + ","));
  l.Add(Std(f->Edit1->text() + "," + f->Edit6->text() + "," + cantitate + ",0,"));
  l.Add(Std(QString::number(f->ComboBox4->currentIndex()) + " )"));
  ExecutaSiReafiseaza(cod);
}

void TForm6::ConvexBtn2Click() {
  if (M1.IsEmpty()) {
    Form1()->HEroare("Alegeti mai intai produsul !", ConvexBtn2);
    return;
  }
  const QString cod = QString::fromStdString(M1.FieldByName("CODMAG").AsString());
  TForm38* f = Form38();
  f->StergeFormular();
  const lumi::dbf::Date d = M1.FieldByName("DATAIN").AsDateTime();
  if (d.IsValid()) f->DataIn->setDate(QDate(d.year, d.month, d.day));
  f->ComboBox1->setEditText(QString::fromStdString(M1.FieldByName("FURNIZOR").AsString()));
  f->ComboBox2->setEditText(QString::fromStdString(M1.FieldByName("DENUMIRE").AsString()));
  f->ComboBox3->setEditText(QString::fromStdString(M1.FieldByName("UM").AsString()));
  f->Edit2->setText(Formats::FormatFloat(Formats::kQuantity, M1.FieldByName("CANTIN").AsFloat()));
  f->Edit6->setText(Formats::FormatFloat(Formats::kMoney, M1.FieldByName("PRET").AsFloat()));
  f->ComboBox4->setCurrentIndex(static_cast<int>(M1.FieldByName("TIP").AsInteger()));
  f->ComboBox4Change();
  f->Edit1->setText(Formats::FormatFloat(Formats::kQuantity, M1.FieldByName("LATIME").AsFloat()));
  if (!f->Adauga("MODIFICARE PRODUS")) return;

  const QString cantitate = f->Edit2->text();
  const double stoc = Formats::StrToFloat(cantitate) - M1.FieldByName("IESIT").AsFloat();
  Form1()->QueryRst(Sx);
  auto& l = Sx.SQL();
  l.Add(Std("UPDATE " + CaleMagazie()));
  l.Add(Std("SET DATAIN=\"" + Formats::SqlDate(f->DataIn->date()) + "\","));
  l.Add(Std("FURNIZOR=\"" + SqlText::Escape(f->ComboBox1->currentText()) + "\","));
  l.Add(Std("DENUMIRE=\"" + SqlText::Escape(f->ComboBox2->currentText()) + "\","));
  l.Add(Std("UM=\"" + SqlText::Escape(f->ComboBox3->currentText()) + "\","));
  l.Add(Std("CANTIN=" + cantitate + ","));
  l.Add(Std("LATIME=" + f->Edit1->text() + ","));
  l.Add(Std("PRET=" + f->Edit6->text() + ","));
  l.Add(Std("TIP=" + QString::number(f->ComboBox4->currentIndex()) + ","));
  l.Add(Std("STOC=" + Formats::FloatToStr(stoc)));
  l.Add(Std("WHERE CODMAG=" + cod));
  ExecutaSiReafiseaza(cod);
}

void TForm6::ConvexBtn3Click() {
  if (M1.IsEmpty()) {
    Form1()->HEroare("Selectati mai intai produsul !", ConvexBtn3);
    return;
  }
  if (M1.FieldByName("IESIT").AsFloat() > 0) {
    Form1()->HEroare("Retrageti mai intai produsul din comenzi !", ConvexBtn3);
    return;
  }
  QString raspuns;
  Form30()->Mesaj("SIGUR VRETI SA STERGEM PRODUSUL DIN MAGAZIE ?", "Confirmation", raspuns, 1);
  if (raspuns != "DA") return;
  Sx.SQL().Clear();
  Sx.SQL().Add(Std("DELETE FROM " + CaleMagazie()));
  Sx.SQL().Add("WHERE CODMAG=" + M1.FieldByName("CODMAG").AsString());
  ExecutaSiReafiseaza(QString());
}

// The inventory document prints M1 as shown; it is not built yet.
void TForm6::ConvexBtn4Click() {}

void TForm6::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TForm6::FormClose() {
  Sx.SQL().Clear();
  M1.SQL().Clear();
}
