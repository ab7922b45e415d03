#include "orders/Produse.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "controls/NumarF.h"
#include "orders/Comenzi.h"
#include "orders/DialogButtons.h"
#include "shell/BusyWindow.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SqlText.h"
#include "shell/Unit1.h"
#include "store/DbLabel.h"
#include "store/Transaction.h"
#include "warehouse/UpperCase.h"

namespace {

using Formats::Amount;
using Formats::Quantity;

constexpr int kMarfa = 0;
constexpr int kAuxiliare = 1;
constexpr int kManopera = 2;

// The largest values the columns of Comenzi.dbf and CapCom.dbf hold:
// money DECIMAL(8,2), quantities and dimensions DECIMAL(8,3).
const Amount kBaniMaxim = Amount::Parse("99999.99");
const Amount kRestMinim = Amount::Parse("-9999.99");
const Quantity kCantitateMaxima = Quantity::Parse("9999.999");

std::string Std(const QString& s) { return s.toStdString(); }
QString Text(const lumi::TField& f) { return QString::fromStdString(f.AsString()); }

// Ten-thousandths, the precision the dimensions are typed with.
using Dimensiune = Formats::FixedPoint<4>;

TNumericF* CasetaNumar(QWidget* parent, const char* name, int intregi, int zecimale, int lungime) {
  auto* e = new TNumericF(parent);
  e->setObjectName(name);
  e->MaskInt = intregi;
  e->MaskZec = zecimale;
  e->setMaxLength(lungime);
  return e;
}

}  // namespace

TForm41::TForm41(QWidget* parent) : QDialog(parent) {
  setObjectName("Form41");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  BuildLayout();
}

TForm41::~TForm41() {
  for (DbLabel* l : {DBText1, DBText2, DBText3}) l->SetDataSource(nullptr, {});
}

void TForm41::BuildLayout() {
  auto* root = new QVBoxLayout(this);
  auto* grila = new QGridLayout;
  grila->setHorizontalSpacing(12);
  grila->setVerticalSpacing(6);
  root->addLayout(grila);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label6 = new QLabel(this);
  Label6->setObjectName("Label6");
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit1->setMaxLength(60);
  MakeUpperCase(Edit1);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setCompleter(nullptr);  // the one completion is the list item
  ComboBox1->setStyleSheet("QComboBox::drop-down { width: 0px; border: none; }");
  ComboBox1->lineEdit()->setMaxLength(40);
  MakeUpperCase(ComboBox1->lineEdit());
  DBText1 = new DbLabel(this);
  DBText1->setObjectName("DBText1");
  DBText2 = new DbLabel(this);
  DBText2->setObjectName("DBText2");
  DBText3 = new DbLabel(this);
  DBText3->setObjectName("DBText3");
  DBText1->SetDataSource(&Sx, "UM");
  DBText2->SetDataSource(&Sx, "STOC", Formats::kQuantity);
  DBText3->SetDataSource(&Sx, "PRET", Formats::kMoney);
  Label5 = new QLabel("CANTITATE", this);
  Label5->setObjectName("Label5");
  CantX = CasetaNumar(this, "CantX", 5, 3, 9);
  SpinEdit1 = new QSpinBox(this);
  SpinEdit1->setObjectName("SpinEdit1");
  SpinEdit1->setRange(1, 999);
  SpinEdit1->setAlignment(Qt::AlignRight);
  LungX = CasetaNumar(this, "LungX", 5, 4, 10);
  LatX = CasetaNumar(this, "LatX", 5, 4, 10);

  auto eticheta = [this](const char* name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    return l;
  };
  QLabel* detalii = eticheta("Label11", "DETALII");
  const std::pair<QLabel*, QWidget*> randuri[] = {
      {eticheta("Label2", "CLIENT "), Label1},      {eticheta("Label3", "COMANDA NR."), Label6},
      {eticheta("Label4", "LUCRARE"), Edit1},       {eticheta("Label7", "PRODUSUL"), ComboBox1},
      {eticheta("Label8", "U.M."), DBText1},        {eticheta("Label9", "STOC"), DBText2},
      {eticheta("Label10", "PRET UNIT."), DBText3}, {Label5, CantX},
      {eticheta("Label12", "BUC."), SpinEdit1},     {detalii, nullptr},
      {eticheta("Label13", "Lungime"), LungX},      {eticheta("Label14", "Latime"), LatX},
  };
  int rand = 0;
  for (const auto& [e, camp] : randuri) {
    QFont bold = e->font();
    bold.setBold(true);
    e->setFont(bold);
    grila->addWidget(e, rand, 0);
    if (camp != nullptr) grila->addWidget(camp, rand, 1);
    ++rand;
  }
  for (QLabel* l : {Label1, Label6}) {
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
  }
  Edit1->setMinimumWidth(380);
  for (QWidget* w : std::initializer_list<QWidget*>{CantX, SpinEdit1, LungX, LatX})
    w->setMaximumWidth(120);

  BitBtn1 = SaveButton(this);
  BitBtn1->setDefault(false);  // Enter moves between the boxes; LatX saves
  BitBtn1->setAutoDefault(false);
  BitBtn2 = CancelButton(this);
  root->addSpacing(8);
  root->addLayout(ButtonRow(BitBtn1, BitBtn2));
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->addWidget(
      new QLabel("ESC - inchide fereastra; Enter - salt la alta casuta;", StatusBar1));
  root->addWidget(StatusBar1);

  QWidget* ordine[] = {Edit1, ComboBox1, CantX, SpinEdit1, LungX, LatX, BitBtn1, BitBtn2};
  for (int i = 0; i + 1 < 8; ++i) setTabOrder(ordine[i], ordine[i + 1]);
  for (QObject* o : std::initializer_list<QObject*>{Edit1, ComboBox1, ComboBox1->lineEdit(), CantX,
                                                    SpinEdit1, LungX, LatX}) {
    o->installEventFilter(this);
  }
  connect(ComboBox1, &QComboBox::editTextChanged, this,
          [this](const QString&) { ComboBox1Change(); });
  connect(LungX, &QLineEdit::textChanged, this, &TForm41::Edit3Change);
  connect(LatX, &QLineEdit::textChanged, this, &TForm41::Edit3Change);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm41::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm41::BitBtn2Click);
  setFixedSize(sizeHint());
}

bool TForm41::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      (watched == ComboBox1 || watched == ComboBox1->lineEdit())) {
    ComboBox1Exit();
  }
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      QWidget* box = watched == ComboBox1->lineEdit() ? ComboBox1 : qobject_cast<QWidget*>(watched);
      return EnterTab(box);
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TForm41::EnterTab(QWidget* box) {
  QWidget* ordine[] = {Edit1, ComboBox1, CantX, SpinEdit1, LungX, LatX, BitBtn1};
  for (int i = 0; i < 6; ++i) {
    if (ordine[i] != box) continue;
    ordine[i + 1]->setFocus(Qt::TabFocusReason);
    if (box == LatX) BitBtn1->click();
    return true;
  }
  return false;
}

qint64 TForm41::Adauga(const QString& caption) {
  setWindowTitle(caption);
  rezultat_ = -1;
  SpinEdit1->setValue(1);
  {
    const QSignalBlocker liniste(ComboBox1);
    const QString text = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItem(QString());
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(text);
  }
  Form1()->QueryRst(Sx);
  Sx.SQL().Add(Std("SELECT * FROM " + TabelData("Magazie.dbf")));
  Sx.SQL().Add("WHERE (STOC>0) OR (TIP=2)");
  Sx.SQL().Add("ORDER BY DENUMIRE");
  Sx.Open();
  if (Sx.IsEmpty()) {
    Sx.Close();
    QString raspuns;
    Form30()->Mesaj("NU AVETI PRODUSE IN MAGAZIE !", "Error", raspuns, 0);
    return -1;
  }
  // The list stands on the product the box still shows from the last use,
  // so that the labels and the save agree with it; a name no longer offered
  // is cleared.
  textAnterior_.clear();
  ComboBox1Change();
  if (!ComboBox1->currentText().isEmpty() &&
      !Sx.Locate("DENUMIRE", Std(ComboBox1->currentText()),
                 {.case_insensitive = true, .partial_key = true})) {
    ComboBox1->setEditText(QString());
  }
  Edit1->setFocus();
  exec();
  Sx.Close();
  return rezultat_;
}

void TForm41::ComboBox1Change() {
  QLineEdit* edit = ComboBox1->lineEdit();
  const QString text = ComboBox1->currentText();
  const bool aCrescut = text.size() > textAnterior_.size() && text.startsWith(textAnterior_);
  textAnterior_ = text;
  if (Sx.Active() && !text.isEmpty() &&
      Sx.Locate("DENUMIRE", Std(text), {.case_insensitive = true, .partial_key = true})) {
    const QString nume = Text(Sx.FieldByName("DENUMIRE"));
    const QSignalBlocker liniste(ComboBox1);
    if (ComboBox1->count() == 0) ComboBox1->addItem(QString());
    ComboBox1->setItemText(0, nume);
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(text);
    // Typing that extends the text towards the offered name completes it,
    // the part not typed selected so that the next key replaces it.
    if (aCrescut && edit->hasFocus() && nume.size() > text.size() &&
        nume.startsWith(text, Qt::CaseInsensitive)) {
      ComboBox1->setEditText(nume);
      edit->setSelection(nume.size(), static_cast<int>(text.size() - nume.size()));
      textAnterior_ = nume;
    } else {
      edit->setCursorPosition(static_cast<int>(text.size()));
    }
  }
  const bool valoare = !ComboBox1->currentText().isEmpty() && Sx.Active() && !Sx.IsEmpty() &&
                       Sx.FieldByName("TIP").AsInteger() == kAuxiliare;
  Label5->setText(valoare ? "VALOARE" : "CANTITATE");
}

void TForm41::ComboBox1Exit() {
  ComboBox1Change();
  if (Sx.Active() && !Sx.IsEmpty() && Sx.FieldByName("TIP").AsInteger() == kManopera) {
    CantX->setText(Formats::FloatToStr(Sx.FieldByName("PRET").AsFloat()));
  }
}

void TForm41::Edit3Change() {
  if (!Sx.Active() || Sx.IsEmpty() || Sx.FieldByName("TIP").AsInteger() != kMarfa) return;
  const QString um = Text(Sx.FieldByName("UM"));
  if (um != "MP" && um != "ML" && um != "M") return;
  // In whole ten-thousandths, so that the cut to thousandths never falls a
  // unit short (in doubles 0.29 x 100 is 28.999999999999996).
  const std::int64_t l = Dimensiune::FromDouble(LungX->ValoareNumerica()).Units();
  const std::int64_t w = Dimensiune::FromDouble(LatX->ValoareNumerica()).Units();
  std::int64_t miimi = 0;
  if (um == "MP") {
    miimi = l * w / 100000;  // 1e-8 to 1e-3, cut toward zero
  } else {
    std::int64_t p = 2 * l + 2 * w;
    if (p > 0) p += 8 * Dimensiune::FromDouble(Sx.FieldByName("LATIME").AsFloat()).Units();
    miimi = p / 10;
  }
  CantX->setText(Quantity::FromUnits(miimi).ToSql());
}

void TForm41::FormaNormala() {
  for (TNumericF* box : {CantX, LungX, LatX}) {
    const QString normal = Dimensiune::FromDouble(box->ValoareNumerica()).ToSql();
    if (normal != box->text()) box->setText(normal);
  }
}

bool TForm41::LucrareaExista(const QString& titlu) const {
  const lumi::TQuery& de1 = Form7()->DE1;
  if (!de1.Active()) return false;
  const lumi::TField* f = const_cast<lumi::TQuery&>(de1).FindField("TITLU");
  if (f == nullptr) return false;
  for (int r = 0; r < de1.RecordCount(); ++r) {
    const lumi::dbf::Value v = de1.Cell(r, f->Index());
    if (!v.is_null() && QString::fromStdString(v.text()) == titlu) return true;
  }
  return false;
}

void TForm41::Refuza(const QString& mesaj, QWidget* control, bool lucrareNoua) {
  if (lucrareNoua) rezultat_ = LucrareNoua();
  control->setFocus();
  Form1()->HEroare(mesaj, control);
}

std::vector<Formats::Amount> TForm41::Citeste(const QStringList& linii,
                                              std::initializer_list<const char*> campuri) {
  Form1()->QueryRst(Sy);
  for (const QString& l : linii) Sy.SQL().Add(Std(l));
  Sy.Open();
  std::vector<Amount> valori;
  for (const char* camp : campuri)
    valori.push_back(Sy.IsEmpty() ? Amount() : Amount::FromDouble(Sy.FieldByName(camp).AsFloat()));
  Sy.Close();
  return valori;
}

void TForm41::BitBtn1Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  const QString t = Edit1->text();
  const QString n = ComboBox1->currentText();
  const int b = SpinEdit1->value();
  if (b <= 0) {
    SpinEdit1->setFocus();
    Form1()->HEroare("Numar de bucati incorect !", SpinEdit1);
    return;
  }
  const bool lucrareNoua = !t.isEmpty() && !LucrareaExista(t);
  if (n.isEmpty()) {
    if (lucrareNoua) rezultat_ = LucrareNoua();
    if (rezultat_ == -1) {
      ComboBox1->setFocus();
      Form1()->HEroare("Nu ati specificat produsul !", ComboBox1);
      return;
    }
    accept();
    return;
  }
  // The item the typing stands on is, as a rule, the one named: no need to
  // look through the whole stock list for it.
  const bool peProdus =
      Sx.Active() && !Sx.IsEmpty() && Sx.FieldByName("DENUMIRE").AsString() == Std(n);
  if (!peProdus && !Sx.Locate("DENUMIRE", Std(n))) {
    Refuza("Nu avem produsul ales in magazie !", ComboBox1, lucrareNoua);
    return;
  }
  const int k = static_cast<int>(Sx.FieldByName("TIP").AsInteger());
  const QString codmag = Text(Sx.FieldByName("CODMAG"));
  const QString um = Text(Sx.FieldByName("UM"));
  const Amount pret = Amount::FromDouble(Sx.FieldByName("PRET").AsFloat()).RoundedToCents();
  const Quantity stoc = Quantity::FromDouble(Sx.FieldByName("STOC").AsFloat());

  FormaNormala();
  // The quantity of goods is kept to the thousandth, a value or an amount to
  // the cent; the box then shows exactly what is stored.
  const double tastat = CantX->ValoareNumerica();
  const Quantity cantitate = Quantity::FromDouble(tastat);
  const Amount suma = Amount::FromDouble(tastat).RoundedToCents();
  const QString q = k == kMarfa ? cantitate.ToSql() : suma.ToSql();
  if (q != CantX->text()) CantX->setText(q);
  const bool zero = k == kMarfa ? cantitate <= Quantity() : suma <= Amount();
  if (zero) {
    Refuza("Nu ati trecut " + Label5->text() + " !", CantX, lucrareNoua);
    return;
  }
  const Quantity lung = Quantity::FromDouble(LungX->ValoareNumerica());
  const Quantity lat = Quantity::FromDouble(LatX->ValoareNumerica());
  if (lung < Quantity() || lung > kCantitateMaxima) {
    Refuza(lung < Quantity() ? "Lungimea nu poate fi negativa !"
                             : "Lungimea nu poate depasi 9999.999 !",
           LungX, lucrareNoua);
    return;
  }
  if (lat < Quantity() || lat > kCantitateMaxima) {
    Refuza(
        lat < Quantity() ? "Latimea nu poate fi negativa !" : "Latimea nu poate depasi 9999.999 !",
        LatX, lucrareNoua);
    return;
  }
  if (k == kMarfa && cantitate.Times(b) > stoc) {
    Refuza("Nu aveti cantitatea in stoc !", CantX, lucrareNoua);
    return;
  }
  if (k == kAuxiliare && pret < suma.Times(b)) {
    Refuza("Nu aveti Valoarea in stoc !", CantX, lucrareNoua);
    return;
  }
  if (k == kMarfa && cantitate > kCantitateMaxima) {
    Refuza("Cantitatea nu poate depasi 9999.999 !", CantX, lucrareNoua);
    return;
  }
  if (k == kAuxiliare && suma > kBaniMaxim) {
    Refuza("Valoarea nu poate depasi 99999.99 !", CantX, lucrareNoua);
    return;
  }
  // The line's total, rounded to the cent once: the same text goes into the
  // line, the order and the work, so their totals always agree.
  const Amount v =
      k == kMarfa ? Formats::Times(pret, cantitate).Times(b).RoundedToCents() : suma.Times(b);
  const QString codcap = Label6->text();
  const std::vector<Amount> comanda =
      Citeste({"SELECT COST, REST FROM " + TabelData("CapCom.dbf"), "WHERE CODCAP=" + codcap},
              {"COST", "REST"});
  const Amount cost = comanda[0], rest = comanda[1];
  const Amount lucrare =
      t.isEmpty() || lucrareNoua
          ? Amount()
          : Citeste({"SELECT TOTAL FROM " + TabelData("Comenzi.dbf"),
                     "WHERE (CODCAP=" + codcap +
                         ") AND (DENUMIRE IS NULL) AND (TITLU=" + SqlText::Quoted(t) + ")"},
                    {"TOTAL"})[0];
  const char* preaMare = v > kBaniMaxim             ? "Valoarea liniei nu poate depasi 99999.99 !"
                         : cost + v > kBaniMaxim    ? "Totalul comenzii nu poate depasi 99999.99 !"
                         : rest + v > kBaniMaxim    ? "Restul comenzii nu poate depasi 99999.99 !"
                         : lucrare + v > kBaniMaxim ? "Totalul lucrarii nu poate depasi 99999.99 !"
                                                    : nullptr;
  if (preaMare != nullptr) {
    Refuza(preaMare, CantX, lucrareNoua);
    return;
  }

  const QString codLucrare = lucrareNoua ? Form1()->CodNou("CODCOM") : QString();
  const QString c = Form1()->CodNou("CODCOM");
  const QString r = pret.ToString00();
  const QString buc = QString::number(b);
  const QString val = v.ToSql();
  store::AsOneChange([&] {
    if (lucrareNoua) InsereazaLucrarea(codLucrare, codcap, t);
    QStringList l = {
        "INSERT INTO " + TabelData("Comenzi.dbf"),
        "(CODCAP,CODCOM,DENUMIRE,CODMAG,UM,TITLU,CANT,PRET,EXECUTAT,TOTAL,LUNG,LAT,BUC)",
        "VALUES (",
        codcap + ",",
        c + ",",
        SqlText::Quoted(n) + ",",
        codmag + ",",
        SqlText::Quoted(um) + ",",
        t.isEmpty() ? "NULL," : SqlText::Quoted(t) + ","};
    if (k == kMarfa)
      l << q + "," << r + ","
        << "\"NU\",";
    if (k == kAuxiliare)
      l << "1," << q + ","
        << "\"DA\",";
    if (k == kManopera)
      l << "1," << r + ","
        << "\"DA\",";
    l << val + ",";
    l << lung.ToSql() + "," + lat.ToSql() + "," + buc + ")";
    Executa(l);
    ActualizeazaStoc(codmag, k == kMarfa ? cantitate.Times(b).ToSql() : suma.Times(b).ToSql(), k);
    AdaugaLaComanda(codcap, val);
    AdaugaLaLucrare(codcap, t, val);
  });
  Sx.Close();
  rezultat_ = c.toLongLong();
  accept();
}

void TForm41::BitBtn2Click() { reject(); }

void TForm41::done(int result) {
  Sx.Close();
  QDialog::done(result);
}

void TForm41::Executa(const QStringList& linii) {
  Form1()->QueryRst(Sy);
  for (const QString& l : linii) Sy.SQL().Add(Std(l));
  Sy.ExecSQL();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm41::ActualizeazaStoc(const QString& codmag, const QString& cantitate, int tip) {
  if (tip == kManopera) return;
  QStringList l = {"UPDATE " + TabelData("Magazie.dbf")};
  if (tip == kMarfa) {
    l << "SET STOC=STOC-" + cantitate + ","
      << "IESIT=IESIT+" + cantitate;
  } else {
    l << "SET PRET=PRET-" + cantitate;
  }
  l << "WHERE CODMAG=" + codmag;
  Executa(l);
}

void TForm41::AdaugaLaComanda(const QString& codcap, const QString& suma) {
  Executa({"UPDATE " + TabelData("CapCom.dbf"), "SET COST=COST+" + suma + ",", "REST=REST+" + suma,
           "WHERE CODCAP=" + codcap});
}

void TForm41::AdaugaLaLucrare(const QString& codcap, const QString& titlu, const QString& suma) {
  if (titlu.isEmpty()) return;
  Form1()->QueryRst(Sy);
  Sy.SQL().Add(Std("SELECT CODCOM FROM " + TabelData("Comenzi.dbf")));
  Sy.SQL().Add(Std("WHERE (DENUMIRE IS NULL) AND (TITLU=" + SqlText::Quoted(titlu) + ")"));
  Sy.SQL().Add(Std("AND (CODCAP=" + codcap + ")"));
  Sy.Open();
  if (Sy.IsEmpty()) {
    Sy.Close();
    return;
  }
  const QString cod = Text(Sy.FieldByName("CODCOM"));
  Sy.SQL().Clear();
  Executa({"UPDATE " + TabelData("Comenzi.dbf"), "SET TOTAL=TOTAL+" + suma, "WHERE CODCOM=" + cod});
}

void TForm41::InsereazaLucrarea(const QString& cod, const QString& codcap, const QString& titlu) {
  Executa({"INSERT INTO " + TabelData("Comenzi.dbf"), "(CODCAP,CODCOM,TITLU,EXECUTAT,TOTAL)",
           "VALUES (", codcap + ",", cod + ",", SqlText::Quoted(titlu) + ",\"NU\",0 )"});
}

qint64 TForm41::LucrareNoua() {
  const QString cod = Form1()->CodNou("CODCOM");
  const QString codcap = Text(Form7()->CZ1.FieldByName("CODCAP"));
  store::AsOneChange([&] { InsereazaLucrarea(cod, codcap, Edit1->text()); });
  Form7()->ReafiseazaLiniile(cod);
  return cod.toLongLong();
}

void TForm41::StergeProdus(const QString& codcom) {
  Form1()->QueryRst(Sy);
  Sy.SQL().Add(Std("SELECT * FROM " + TabelData("Comenzi.dbf")));
  Sy.SQL().Add(Std("WHERE CODCOM=" + codcom));
  Sy.Open();
  if (Sy.IsEmpty() || Sy.FieldByName("DENUMIRE").AsString().empty()) {
    Sy.Close();
    return;
  }
  const QString codcap = Text(Sy.FieldByName("CODCAP"));
  const QString codmag = Text(Sy.FieldByName("CODMAG"));
  const QString titlu = Text(Sy.FieldByName("TITLU"));
  // The line's amounts as stored: what was taken is given back exactly.
  const Quantity cant = Quantity::FromDouble(Sy.FieldByName("CANT").AsFloat());
  const Amount total = Amount::FromDouble(Sy.FieldByName("TOTAL").AsFloat()).RoundedToCents();
  const std::int64_t buc = Sy.FieldByName("BUC").AsInteger();
  Sy.Close();

  int tip = 0;
  if (!codmag.isEmpty()) {
    Form1()->QueryRst(Sy);
    Sy.SQL().Add(Std("SELECT * FROM " + TabelData("Magazie.dbf")));
    Sy.SQL().Add(Std("WHERE CODMAG=" + codmag));
    Sy.Open();
    tip = Sy.IsEmpty() ? 0 : static_cast<int>(Sy.FieldByName("TIP").AsInteger());
    Sy.Close();
  }
  const QString inapoi = "(-" + total.ToSql() + ")";
  store::AsOneChange([&] {
    Executa({"DELETE FROM " + TabelData("Comenzi.dbf"), "WHERE CODCOM=" + codcom});
    AdaugaLaLucrare(codcap, titlu, inapoi);
    AdaugaLaComanda(codcap, inapoi);
    if (codmag.isEmpty()) return;
    if (tip == kMarfa) {
      ActualizeazaStoc(codmag, "(-" + cant.Times(buc).ToSql() + ")", kMarfa);
    } else {
      ActualizeazaStoc(codmag, inapoi, tip);
    }
  });
}
