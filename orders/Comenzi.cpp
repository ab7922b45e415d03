#include "orders/Comenzi.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <exception>

#include "controls/ConvexButton.h"
#include "controls/TitleBand.h"
#include "orders/Clienti.h"
#include "orders/ComenziIN.h"
#include "orders/Produse.h"
#include "orders/WorkMark.h"
#include "payments/PLATI.h"
#include "shell/BusyWindow.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SqlText.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "store/DbLabel.h"
#include "store/DbMemo.h"
#include "store/Transaction.h"
#include "warehouse/UpperCase.h"

namespace {

std::string Std(const QString& s) { return s.toStdString(); }
QString Text(const lumi::TField& f) { return QString::fromStdString(f.AsString()); }

// The order code that lists no line: the window has no order to show.
constexpr double kNiciOComanda = -1;

QGroupBox* Panou(QWidget* parent, const char* name, const QString& title) {
  auto* g = new QGroupBox(title, parent);
  g->setObjectName(name);
  QFont f = g->font();
  f.setBold(true);
  g->setFont(f);
  return g;
}

QLabel* Eticheta(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

// Only a pane's title is bold: its controls go back to the normal weight,
// except those marked to stay bold.
void DoarTitluIngrosat(QGroupBox* panou) {
  for (QWidget* c : panou->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (c->property("ingrosat").toBool()) continue;
    QFont f = c->font();
    f.setBold(false);
    c->setFont(f);
  }
}

// CZ1 without its after-scroll for a while: the lines are read once, for
// the order it ends on, not for every order it passes on the way.
class FaraUrmarireaLiniilor {
 public:
  explicit FaraUrmarireaLiniilor(TForm7* f) : f_(f) { f_->CZ1.SetAfterScroll(nullptr); }
  ~FaraUrmarireaLiniilor() { Ataseaza(f_); }
  FaraUrmarireaLiniilor(const FaraUrmarireaLiniilor&) = delete;
  FaraUrmarireaLiniilor& operator=(const FaraUrmarireaLiniilor&) = delete;
  static void Ataseaza(TForm7* f) {
    f->CZ1.SetAfterScroll([f](lumi::TQuery&) { f->CZ1AfterScroll(); });
  }

 private:
  TForm7* f_;
};

void Formate(lumi::TQuery& q, std::initializer_list<std::pair<const char*, const char*>> formate) {
  for (const auto& [camp, format] : formate) {
    if (lumi::TField* f = q.FindField(camp)) f->SetDisplayFormat(format);
  }
}

}  // namespace

TForm7::TForm7(QWidget* parent) : QDialog(parent) {
  setObjectName("Form7");
  setWindowTitle("Comenzi");
  setModal(true);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  BuildLayout();

  // A new client brings its orders, then the totals; a new order its lines.
  CLQ.SetAfterScroll([this](lumi::TQuery&) {
    UrmeazaClientul();
    CLQAfterScroll();
  });
  FaraUrmarireaLiniilor::Ataseaza(this);
  DE1.AddCalcField("LUCRARE", lumi::FieldKind::kText, 60);
  DE1.SetOnCalcFields([this](lumi::TQuery& q) { DE1CalcFields(q); });
}

// The grids and bound controls read the queries until they are destroyed.
TForm7::~TForm7() {
  for (DbGrid* g : {DBGrid1, DBGrid2, DBGrid3}) g->SetQuery(nullptr);
  for (DbLabel* l : {DBText1, DBText2, DBText3}) l->SetDataSource(nullptr, {});
  DBMemo2->SetDataSource(nullptr, {});
}

void TForm7::BuildLayout() {
  const ListWindowFrame frame = BuildListWindowFrame(this, "Gestionare Comenzi", 8);
  QHBoxLayout* corp = frame.body;
  StatusBar1 = frame.statusBar;
  corp->addWidget(PanouClienti());

  auto* dreapta = new QVBoxLayout;
  dreapta->setSpacing(6);
  dreapta->addWidget(PanouDetaliiClient());
  auto* jos = new QSplitter(Qt::Vertical, this);
  jos->setObjectName("Splitter1");
  jos->setChildrenCollapsible(false);
  jos->addWidget(PanouComenzi());
  jos->addWidget(PanouDetaliiComanda());
  jos->setStretchFactor(0, 2);
  jos->setStretchFactor(1, 3);
  dreapta->addWidget(jos, 1);
  corp->addLayout(dreapta, 1);

  for (QGroupBox* panou : findChildren<QGroupBox*>()) DoarTitluIngrosat(panou);


  connect(Edit1, &QLineEdit::textChanged, this, &TForm7::Edit1Change);
  connect(RadioButton3, &QRadioButton::clicked, this, &TForm7::RadioButton3Click);
  connect(RadioButton4, &QRadioButton::clicked, this, &TForm7::RadioButton3Click);
  const std::pair<QPushButton*, void (TForm7::*)()> butoane[] = {
      {BitBtn1, &TForm7::BitBtn1Click},       {ConvexBtn1, &TForm7::ConvexBtn1Click},
      {ConvexBtn5, &TForm7::ConvexBtn5Click}, {ConvexBtn6, &TForm7::ConvexBtn6Click},
      {ConvexBtn7, &TForm7::ConvexBtn7Click}, {ConvexBtn9, &TForm7::ConvexBtn9Click},
      {ConvexBtn2, &TForm7::ConvexBtn2Click}, {ConvexBtn4, &TForm7::ConvexBtn4Click},
      {ConvexBtn8, &TForm7::ConvexBtn8Click}};
  for (const auto& [buton, handler] : butoane) connect(buton, &QPushButton::clicked, this, handler);
  connect(Marcheazacaexecutat1, &QAction::triggered, this, &TForm7::Marcheazacaexecutat1Click);
  connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm7::PopupMenu1Popup);
}

QWidget* TForm7::PanouClienti() {
  QGroupBox* panou = Panou(this, "GroupBox1", "CLIENTI");
  panou->setFixedWidth(280);
  auto* l = new QVBoxLayout(panou);
  l->addWidget(Eticheta(panou, "Label2", "Cauta Client"));
  Edit1 = new QLineEdit(panou);
  Edit1->setObjectName("Edit1");
  Edit1->setMaxLength(40);
  MakeUpperCase(Edit1);
  l->addWidget(Edit1);

  DBGrid1 = new DbGrid(panou);
  DBGrid1->setObjectName("DBGrid1");
  DBGrid1->SetColumns({{.field = "NUME", .width = 250}});
  DBGrid1->SetTitlesVisible(false);
  DBGrid1->SetQuery(&CLQ);
  l->addWidget(DBGrid1, 1);

  BitBtn1 = ConvexButton(panou, "BitBtn1", "ADAUGA CLIENT");
  ConvexBtn1 = ConvexButton(panou, "ConvexBtn1", "MODIFICA CLIENT");
  l->addWidget(BitBtn1);
  l->addWidget(ConvexBtn1);
  return panou;
}

QWidget* TForm7::PanouDetaliiClient() {
  QGroupBox* panou = Panou(this, "GroupBox2", "Detalii Client");
  auto* grila = new QGridLayout(panou);
  grila->setVerticalSpacing(2);
  DBText1 = new DbLabel(panou);
  DBText1->setObjectName("DBText1");
  DBText2 = new DbLabel(panou);
  DBText2->setObjectName("DBText2");
  DBText3 = new DbLabel(panou);
  DBText3->setObjectName("DBText3");
  const std::tuple<const char*, const char*, DbLabel*, const char*> randuri[] = {
      {"Label3", "Adresa  : ", DBText1, "ADRESA"},
      {"Label4", "Telefon : ", DBText2, "TEL"},
      {"Label5", "C.F. : ", DBText3, "CF"}};
  int rand = 0;
  for (const auto& [nume, text, camp, coloana] : randuri) {
    grila->addWidget(Eticheta(panou, nume, text), rand, 0);
    camp->setTextInteractionFlags(Qt::TextSelectableByMouse);
    camp->SetDataSource(&CLQ, coloana);
    grila->addWidget(camp, rand++, 1);
  }
  grila->addWidget(Eticheta(panou, "Label6", "Observatii : "), 0, 2, Qt::AlignTop);
  DBMemo2 = new DbMemo(panou);
  DBMemo2->setObjectName("DBMemo2");
  DBMemo2->setFixedHeight(72);
  DBMemo2->SetDataSource(&CLQ, "OBS");
  grila->addWidget(DBMemo2, 0, 3, 3, 1);
  grila->setColumnStretch(1, 1);
  grila->setColumnStretch(3, 1);
  return panou;
}

QWidget* TForm7::PanouComenzi() {
  QGroupBox* panou = Panou(this, "GroupBox3", "Comenzi");
  auto* l = new QVBoxLayout(panou);
  auto* sus = new QHBoxLayout;
  sus->addWidget(Eticheta(panou, "Label7", "Afiseaza"));
  RadioButton3 = new QRadioButton("Comenzile in desfasurare", panou);
  RadioButton3->setObjectName("RadioButton3");
  RadioButton3->setChecked(true);
  RadioButton4 = new QRadioButton("Comenzile predate si incasate", panou);
  RadioButton4->setObjectName("RadioButton4");
  for (QRadioButton* r : {RadioButton3, RadioButton4}) sus->addWidget(r);
  sus->addStretch();
  l->addLayout(sus);
  auto* butoane = new QHBoxLayout;
  ConvexBtn5 = ConvexButton(panou, "ConvexBtn5", "ADAUGA COMANDA");
  ConvexBtn6 = ConvexButton(panou, "ConvexBtn6", "MODIFICA COMANDA");
  ConvexBtn7 = ConvexButton(panou, "ConvexBtn7", "STERGE COMANDA");
  ConvexBtn9 = ConvexButton(panou, "ConvexBtn9", "INCASARI");
  for (QPushButton* b : {ConvexBtn5, ConvexBtn6, ConvexBtn7, ConvexBtn9}) {
    b->setMinimumWidth(170);
    butoane->addWidget(b);
  }
  butoane->addStretch();
  l->addLayout(butoane);

  DBGrid3 = new DbGrid(panou);
  DBGrid3->setObjectName("DBGrid3");
  const Qt::Alignment centru = Qt::AlignHCenter | Qt::AlignVCenter;
  DBGrid3->SetColumns({
      {.field = "DATA", .title = "DATA", .alignment = centru, .centredTitle = true, .width = 110},
      {.field = "CODCAP", .title = "NR", .width = 90},
      {.field = "TERMEN",
       .title = "TERMEN",
       .alignment = centru,
       .centredTitle = true,
       .width = 110},
      {.field = "COST", .title = "TOTAL", .width = 110},
      {.field = "REST", .title = "REST", .width = 110},
  });
  DBGrid3->SetQuery(&CZ1);
  l->addWidget(DBGrid3, 1);

  auto* total = new QHBoxLayout;
  total->addStretch();
  QLabel* eticheta = Eticheta(panou, "Label8", "TOTAL");
  LTot = Eticheta(panou, "LTot", "0.00");
  LRest = Eticheta(panou, "LRest", "0.00");
  for (QLabel* e : {eticheta, LTot, LRest}) e->setProperty("ingrosat", true);
  for (QLabel* e : {LTot, LRest}) {
    e->setMinimumWidth(110);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  total->addWidget(eticheta);
  total->addWidget(LTot);
  total->addWidget(LRest);
  l->addLayout(total);
  return panou;
}

QWidget* TForm7::PanouDetaliiComanda() {
  QGroupBox* panou = Panou(this, "GroupBox4", "Detalii Comanda");
  auto* l = new QVBoxLayout(panou);
  DBGrid2 = new DbGrid(panou);
  DBGrid2->setObjectName("DBGrid2");
  const Qt::Alignment centru = Qt::AlignHCenter | Qt::AlignVCenter;
  DBGrid2->SetColumns({
      {.field = "LUCRARE", .title = "LUCRARE", .bold = true, .width = 170},
      {.field = "DENUMIRE", .title = "PRODUS", .width = 210},
      {.field = "UM", .title = "UM", .alignment = centru, .centredTitle = true, .width = 44},
      {.field = "CANT", .title = "CANT", .width = 80},
      {.field = "PRET", .title = "PRET U.", .width = 80},
      {.field = "BUC", .title = "Buc.", .width = 50},
      {.field = "EXECUTAT", .title = "GATA", .alignment = centru, .centredTitle = true, .width = 50},
      {.field = "TOTAL", .title = "TOTAL", .bold = true, .width = 90},
      {.field = "LUNG", .title = "LUNGIME", .width = 80},
      {.field = "LAT", .title = "LATIME", .width = 80},
  });
  DBGrid2->SetQuery(&DE1);
  PopupMenu1 = new QMenu(DBGrid2);
  PopupMenu1->setObjectName("PopupMenu1");
  Marcheazacaexecutat1 = PopupMenu1->addAction("Marcheaza ca executat");
  Marcheazacaexecutat1->setObjectName("Marcheazacaexecutat1");
  DBGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DBGrid2, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    PopupMenu1->popup(DBGrid2->viewport()->mapToGlobal(p));
  });
  l->addWidget(DBGrid2, 1);

  auto* butoane = new QHBoxLayout;
  ConvexBtn2 = ConvexButton(panou, "ConvexBtn2", "Adauga &produs");
  ConvexBtn4 = ConvexButton(panou, "ConvexBtn4", "&Sterge produs");
  ConvexBtn8 = ConvexButton(panou, "ConvexBtn8", "&Listeaza comanda");
  for (QPushButton* b : {ConvexBtn2, ConvexBtn4, ConvexBtn8}) {
    b->setMinimumWidth(170);
    butoane->addWidget(b);
  }
  butoane->addStretch();
  l->addLayout(butoane);
  return panou;
}

void TForm7::ArataComenzi() {
  Form1()->QueryRst(CLQ);
  CLQ.SQL().Add(Std("SELECT * FROM " + TabelData("Clienti.dbf")));
  CLQ.SQL().Add("ORDER BY NUME");
  CLQ.Open();

  if (QScreen* ecran = screen()) setGeometry(ecran->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);

  {
    const QSignalBlocker liniste(Edit1);
    Edit1->clear();
  }
  Edit1Change();

  Form1()->QueryRst(CZ1);
  CZ1.SQL().Add(Std("SELECT * FROM " + TabelData("CapCom.dbf") + " Z"));
  CZ1.SQL().Add("WHERE Z.CODCLI=:CODCLI");
  CZ1.Prepare();
  DeschideCZ1();
  RadioButton3Click();

  // The lines are those of the current order only, found through the
  // CODCAP tag, so that a move costs the same on any size of table.
  Form1()->QueryRst(DE1);
  DE1.SQL().Add(Std("SELECT * FROM " + TabelData("Comenzi.dbf") + " C"));
  DE1.SQL().Add("WHERE C.CODCAP=:CODCAP");
  DE1.SQL().Add("ORDER BY TITLU, DENUMIRE");
  DE1.ParamByName("CODCAP").SetAsFloat(kNiciOComanda);
  DeschideDE1();

  CZ1AfterScroll();
  CLQAfterScroll();
  exec();
}

void TForm7::DeschideCZ1() {
  CZ1.Close();
  if (CLQ.Active() && !CLQ.IsEmpty()) {
    CZ1.ParamByName("CODCLI").SetAsFloat(CLQ.FieldByName("CODCLI").AsFloat());
  } else {
    CZ1.ParamByName("CODCLI").SetNull();
  }
  CZ1.Open();
  Formate(CZ1, {{"DATA", "dd.MMM.yyyy"},
                {"TERMEN", "dd.MMM.yyyy"},
                {"COST", Formats::kMoney},
                {"REST", Formats::kMoney}});
}

void TForm7::DeschideDE1() {
  DE1.Open();
  Formate(DE1, {{"CANT", Formats::kQuantity},
                {"PRET", Formats::kMoney},
                {"TOTAL", Formats::kMoney},
                {"LUNG", Formats::kQuantity},
                {"LAT", Formats::kQuantity}});
}

void TForm7::UrmeazaClientul() {
  if (!CZ1.Active()) return;
  const lumi::dbf::Value pentru = CZ1.ParamByName("CODCLI").Value();
  const bool areClient = CLQ.Active() && !CLQ.IsEmpty();
  if (!areClient && pentru.is_null()) return;
  if (areClient && !pentru.is_null() &&
      pentru.number() == CLQ.FieldByName("CODCLI").AsFloat()) {
    return;
  }
  DeschideCZ1();
}

void TForm7::Edit1Change() {
  const QString text = Edit1->text();
  CLQ.SetFilter(text.isEmpty() ? std::string()
                               : Std("(NUME='" + SqlText::Escape(text, '\'') + "*')"));
  CLQ.SetFiltered(true);
}

void TForm7::RadioButton3Click() {
  CZ1.SetFilter(RadioButton3->isChecked() ? "(PREDAT<>'DA')" : "(PREDAT='DA')");
  CZ1.SetFiltered(true);
  CLQAfterScroll();
}

void TForm7::CZ1AfterScroll() {
  if (!DE1.Active()) return;
  const double comanda =
      CZ1.Active() && !CZ1.IsEmpty() ? CZ1.FieldByName("CODCAP").AsFloat() : kNiciOComanda;
  const lumi::dbf::Value arata = DE1.ParamByName("CODCAP").Value();
  if (!arata.is_null() && arata.number() == comanda) return;
  DE1.Close();
  DE1.ParamByName("CODCAP").SetAsFloat(comanda);
  DeschideDE1();
}

void TForm7::DE1CalcFields(lumi::TQuery& q) {
  const bool produs = !q.FieldByName("DENUMIRE").AsString().empty();
  q.FieldByName("LUCRARE").SetAsString(produs ? std::string()
                                              : q.FieldByName("TITLU").AsString());
}

void TForm7::CLQAfterScroll() {
  CZ1AfterScroll();
  totalCost_ = Formats::Amount();
  totalRest_ = Formats::Amount();
  if (CZ1.Active() && !CZ1.IsEmpty()) {
    // Walk the orders listed without the lines following each one and
    // without the grids repainting; stand on the same order afterwards,
    // also when a value cannot be read.
    struct Walk {
      TForm7* f;
      lumi::TQuery::TBookmark semn;
      ~Walk() {
        f->CZ1.GotoBookmark(semn);
        f->CZ1.EnableControls();
      }
    };
    const FaraUrmarireaLiniilor faraLinii(this);
    CZ1.DisableControls();
    const Walk walk{this, CZ1.GetBookmark()};
    lumi::TField& cost = CZ1.FieldByName("COST");
    lumi::TField& rest = CZ1.FieldByName("REST");
    for (CZ1.First(); !CZ1.Eof(); CZ1.Next()) {
      totalCost_ += Formats::Amount::FromDouble(cost.AsFloat());
      totalRest_ += Formats::Amount::FromDouble(rest.AsFloat());
    }
  }
  LTot->setText(totalCost_.ToString00());
  LRest->setText(totalRest_.ToString00());
}

void TForm7::ExecutaComanda(const QString& cod) {
  CZ1.Close();
  std::exception_ptr eroare;
  try {
    Sx.ExecSQL();
  } catch (...) {
    eroare = std::current_exception();
  }
  PeComanda(cod, QString());
  if (eroare) std::rethrow_exception(eroare);
}

void TForm7::ReafiseazaClient(const QString& cod) {
  CLQ.Close();
  CLQ.Open();
  if (!CLQ.Locate("CODCLI", Std(cod)) && !Edit1->text().isEmpty()) {
    Edit1->clear();
    CLQ.Locate("CODCLI", Std(cod));
  }
}

void TForm7::BitBtn1Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  Form39()->StergeFormular();
  const qint64 cod = Form39()->AdaugaClient(true);
  if (cod != -1) ReafiseazaClient(QString::number(cod));
}

void TForm7::ConvexBtn1Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (CLQ.IsEmpty()) {
    Form1()->HEroare("Nu aveti ce modifica !", ConvexBtn1);
    return;
  }
  TForm39* f = Form39();
  f->CL1->setText(Text(CLQ.FieldByName("NUME")));
  f->CL2->setText(Text(CLQ.FieldByName("ADRESA")));
  f->CL3->setText(Text(CLQ.FieldByName("TEL")));
  f->CL4->setText(Text(CLQ.FieldByName("CF")));
  f->CM1->setPlainText(DBMemo2->toPlainText());
  if (f->AdaugaClient(false) == -1) return;
  ReafiseazaClient(Text(CLQ.FieldByName("CODCLI")));
}

void TForm7::ConvexBtn5Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (CLQ.IsEmpty()) {
    Form1()->HEroare("Alegeti mai intai Clientul !", ConvexBtn5);
    return;
  }
  TForm40* f = Form40();
  f->Label6->setText(Text(CLQ.FieldByName("NUME")));
  f->StergeFormular();
  f->ComboBox1->setEnabled(false);
  if (!f->Adauga("ADAUGARE COMANDA")) return;

  const QString cod = Form1()->CodNou("CODCAP");
  Form1()->QueryRst(Sx);
  auto& l = Sx.SQL();
  l.Add(Std("INSERT INTO " + TabelData("CapCom.dbf")));
  l.Add("(CODCAP, DATA, TERMEN, COST, PREDAT,CODCLI,REST)");
  l.Add("VALUES (");
  l.Add(Std(cod + ",\"" + Formats::SqlDate(f->Data1->date()) + "\","));
  l.Add(Std("\"" + Formats::SqlDate(f->data2->date()) + "\","));
  l.Add("0,\"NU\"," + CLQ.FieldByName("CODCLI").AsString() + ",0 )");
  // A new order is in progress: show it even when the delivered ones are listed.
  if (!RadioButton3->isChecked()) {
    const QSignalBlocker liniste(RadioButton3);
    RadioButton3->setChecked(true);
    CZ1.SetFilter("(PREDAT<>'DA')");
  }
  ExecutaComanda(cod);
}

void TForm7::ConvexBtn6Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (CZ1.IsEmpty()) {
    Form1()->HEroare("Alegeti mai intai o comanda !", ConvexBtn6);
    return;
  }
  TForm40* f = Form40();
  f->StergeFormular();
  f->Label6->setText(Text(CLQ.FieldByName("NUME")));
  f->Label14->setText(Text(CZ1.FieldByName("CODCAP")));
  for (const auto& [data, camp] : {std::pair{f->Data1, "DATA"}, std::pair{f->data2, "TERMEN"}}) {
    const lumi::dbf::Date d = CZ1.FieldByName(camp).AsDateTime();
    if (d.IsValid()) data->setDate(QDate(d.year, d.month, d.day));
  }
  f->ComboBox1->setCurrentText(RadioButton3->isChecked() ? "NU" : "DA");
  const bool achitata =
      Formats::Amount::FromDouble(CZ1.FieldByName("REST").AsFloat()) == Formats::Amount();
  f->ComboBox1->setEnabled(achitata);
  if (!f->Adauga("MODIFICARE COMANDA")) return;

  Form1()->QueryRst(Sx);
  auto& l = Sx.SQL();
  l.Add(Std("UPDATE " + TabelData("CapCom.dbf")));
  l.Add(Std("SET DATA=\"" + Formats::SqlDate(f->Data1->date()) + "\","));
  l.Add(Std("TERMEN=\"" + Formats::SqlDate(f->data2->date()) + "\","));
  l.Add(Std("PREDAT=\"" + f->ComboBox1->currentText() + "\""));
  l.Add(Std("WHERE CODCAP=" + f->Label14->text()));
  ExecutaComanda(f->Label14->text());
}

void TForm7::ConvexBtn2Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (CZ1.IsEmpty()) {
    Form1()->HEroare("Alegeti mai intai o comanda !", ConvexBtn2);
    return;
  }
  if (RadioButton4->isChecked()) {
    Form1()->HEroare("Nu puteti adauga produse la comenzi predate !", ConvexBtn2);
    return;
  }
  TForm41* f = Form41();
  f->Label1->setText(Text(CLQ.FieldByName("NUME")));
  f->Label6->setText(Text(CZ1.FieldByName("CODCAP")));
  if (!DE1.IsEmpty()) f->Edit1->setText(Text(DE1.FieldByName("TITLU")));
  const qint64 cod = f->Adauga("ADAUGARE PRODUS");
  if (cod == -1) return;
  PeComanda(Text(CZ1.FieldByName("CODCAP")), QString::number(cod));
}

void TForm7::ConvexBtn4Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (DE1.IsEmpty()) {
    Form1()->HEroare("Nu mai exista nici un produs !", ConvexBtn4);
    return;
  }
  const QString codcap = Text(CZ1.FieldByName("CODCAP"));
  const QString denumire = Text(DE1.FieldByName("DENUMIRE"));
  const QString titlu = Text(DE1.FieldByName("TITLU"));
  const QString codcom = Text(DE1.FieldByName("CODCOM"));
  QString raspuns;
  if (!denumire.isEmpty()) {
    Form30()->Mesaj("Sterg Produsul " + denumire + "\r" + " din Comanda ?", "Confirmation",
                    raspuns, 1);
    if (raspuns != "DA") return;
    if (!RestulIncape(Formats::Amount::FromDouble(DE1.FieldByName("TOTAL").AsFloat()),
                      ConvexBtn4)) {
      return;
    }
    store::AsOneChange([&] { Form41()->StergeProdus(codcom); });
  } else {
    Form30()->Mesaj("Sterg Lucrarea " + titlu + "\r" + " din Comanda ?", "Confirmation", raspuns,
                    1);
    if (raspuns != "DA") return;
    // The lines of a work follow its heading in the list.
    QStringList linii;
    Formats::Amount total;
    const int titluCol = DE1.FieldByName("TITLU").Index();
    const int codCol = DE1.FieldByName("CODCOM").Index();
    const int totalCol = DE1.FieldByName("TOTAL").Index();
    for (int r = DE1.RecNo() + 1; r < DE1.RecordCount(); ++r) {
      const lumi::dbf::Value t = DE1.Cell(r, titluCol);
      if (t.is_null() || QString::fromStdString(t.text()) != titlu) break;
      linii << Formats::FloatToStr(DE1.Cell(r, codCol).number());
      total += Formats::Amount::FromDouble(DE1.Cell(r, totalCol).number());
    }
    if (!RestulIncape(total, ConvexBtn4)) return;
    store::AsOneChange([&] {
      for (const QString& linie : linii) Form41()->StergeProdus(linie);
      Form1()->QueryRst(Sx);
      Sx.SQL().Add(Std("DELETE FROM " + TabelData("Comenzi.dbf")));
      Sx.SQL().Add(Std("WHERE CODCOM=" + codcom));
      Sx.ExecSQL();
    });
  }
  // The order list stays on the order worked on.
  PeComanda(codcap, QString());
}

bool TForm7::RestulIncape(Formats::Amount scazut, QWidget* control) {
  const Formats::Amount rest = Formats::Amount::FromDouble(CZ1.FieldByName("REST").AsFloat());
  if (rest - scazut >= Formats::Amount::Parse("-9999.99")) return true;
  Form1()->HEroare("Restul comenzii nu poate scadea sub -9999.99 !", control);
  return false;
}

void TForm7::ConvexBtn7Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (CZ1.IsEmpty()) {
    Form1()->HEroare("Nu aveti ce sterge !", ConvexBtn7);
    return;
  }
  if (!DE1.IsEmpty()) {
    Form1()->HEroare("Stergeti mai intai produsele din comanda !", ConvexBtn7);
    return;
  }
  QString raspuns;
  Form30()->Mesaj("Sterg Comanda ?", "Confirmation", raspuns, 1);
  if (raspuns != "DA") return;
  Sx.SQL().Clear();
  Sx.SQL().Add(Std("DELETE FROM " + TabelData("CapCom.dbf")));
  Sx.SQL().Add("WHERE CODCAP=" + CZ1.FieldByName("CODCAP").AsString());
  ExecutaComanda(QString());
}

void TForm7::ConvexBtn9Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (CZ1.IsEmpty()) {
    Form1()->HEroare("Alegeti mai intai o comanda !", ConvexBtn9);
    return;
  }
  if (CZ1.FieldByName("PREDAT").AsString() == "DA") {
    Form1()->HEroare("Nu mai puteti opera la o comanda predata !", ConvexBtn9);
    return;
  }
  const QString codcap = Text(CZ1.FieldByName("CODCAP"));
  const Formats::Amount cost = Formats::Amount::FromDouble(CZ1.FieldByName("COST").AsFloat());
  const Formats::Amount rest = Formats::Amount::FromDouble(CZ1.FieldByName("REST").AsFloat());
  auto grupat = [](Formats::Amount a) {
    return Formats::FormatFloat(Formats::kMoneyGrouped, a.ToDouble());
  };
  TForm42* f = Form42();
  f->Label1->setText(Text(CLQ.FieldByName("NUME")));
  f->Label6->setText(codcap);
  f->Label10->setText(grupat(cost));
  f->Label12->setText(grupat(rest));
  f->Label7->setText(grupat(cost - rest));
  // Each receipt has already moved REST with it: the lists only show it.
  if (!f->AdaugaPlata()) return;
  PeComanda(codcap, QString());
}

// The estimate is added with the printed documents; until then its button
// does nothing.
void TForm7::ConvexBtn8Click() {}

void TForm7::PopupMenu1Popup() {
  const bool linie = DE1.Active() && !DE1.IsEmpty();
  Marcheazacaexecutat1->setEnabled(linie);
  if (!linie) return;
  Marcheazacaexecutat1->setText(DE1.FieldByName("EXECUTAT").AsString() == "DA"
                                    ? "Marcheaza ca Neexecutat"
                                    : "Marcheaza ca Executat");
}

void TForm7::Marcheazacaexecutat1Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  PopupMenu1Popup();  // the mark follows the line as it is now
  if (!Marcheazacaexecutat1->isEnabled()) return;
  const QString codcom = Text(DE1.FieldByName("CODCOM"));
  const QString codmag = Text(DE1.FieldByName("CODMAG"));
  const QString titlu = Text(DE1.FieldByName("TITLU"));
  const QString codcap = Text(CZ1.FieldByName("CODCAP"));
  const QString magazie = TabelData("Magazie.dbf");
  const QString comenzi = TabelData("Comenzi.dbf");
  const QString titluSql = SqlText::Quoted(titlu);
  if (!codmag.isEmpty()) {
    Form1()->QueryRst(Sx);
    Sx.SQL().Add(Std("SELECT TIP FROM " + magazie));
    Sx.SQL().Add(Std("WHERE CODMAG=" + codmag));
    Sx.Open();
    const std::int64_t tip = Sx.IsEmpty() ? -1 : Sx.FieldByName("TIP").AsInteger();
    Sx.Close();
    if (tip != 0) {
      Form1()->HEroare("Numai produsele tip MARFA pot fi executate !", DBGrid2);
      return;
    }
  }
  const QString x = Marcheazacaexecutat1->text().contains("Neexecutat") ? "NU" : "DA";
  store::AsOneChange([&] {
    Sx.SQL().Clear();
    Sx.SQL().Add(Std("UPDATE " + comenzi));
    Sx.SQL().Add(Std("SET EXECUTAT=\"" + x + "\""));
    if (!codmag.isEmpty()) {
      Sx.SQL().Add(Std("WHERE CODCOM=" + codcom));
    } else {
      Sx.SQL().Add(Std("WHERE (CODCAP=" + codcap + ")"));
      Sx.SQL().Add(Std("AND (TITLU=" + titluSql + ")"));
      if (x == "NU") {
        Sx.SQL().Add("AND ((CODMAG IS NULL) OR (CODMAG IN ( SELECT CODMAG");
        Sx.SQL().Add(Std("FROM " + magazie));
        Sx.SQL().Add("WHERE TIP=0 )))");
      }
    }
    Sx.ExecSQL();
    if (!codmag.isEmpty() && !titlu.isEmpty()) MarcheazaLucrareaDupaLinii(Sx, codcap, titlu);
  });
  ReafiseazaLiniile(codcom);
}

void TForm7::ReafiseazaLiniile(const QString& codcom) {
  DE1.Close();
  DE1.ParamByName("CODCAP").SetAsFloat(
      CZ1.Active() && !CZ1.IsEmpty() ? CZ1.FieldByName("CODCAP").AsFloat() : kNiciOComanda);
  DeschideDE1();
  if (!codcom.isEmpty()) DE1.Locate("CODCOM", Std(codcom));
}

void TForm7::PeComanda(const QString& codcap, const QString& codcom) {
  {
    const FaraUrmarireaLiniilor faraLinii(this);
    DeschideCZ1();
    if (!codcap.isEmpty()) CZ1.Locate("CODCAP", Std(codcap));
  }
  ReafiseazaLiniile(codcom);
  CLQAfterScroll();
}

void TForm7::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TForm7::FormClose() {
  DE1.Close();
  CZ1.Close();
  CLQ.Close();
}
