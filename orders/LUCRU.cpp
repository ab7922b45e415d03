#include "orders/LUCRU.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <exception>

#include "controls/ConvexButton.h"
#include "controls/TitleBand.h"
#include "orders/WorkMark.h"
#include "shell/BusyWindow.h"
#include "shell/Erori30.h"
#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SqlText.h"
#include "shell/Unit1.h"
#include "store/DataStore.h"
#include "store/DbGrid.h"
#include "store/Transaction.h"

namespace {

std::string Std(const QString& s) { return s.toStdString(); }
QString Text(const lumi::TField& f) { return QString::fromStdString(f.AsString()); }

}  // namespace

TForm8::TForm8(QWidget* parent) : QDialog(parent) {
  setObjectName("Form8");
  setWindowTitle("IN LUCRU");
  setModal(true);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  BuildLayout();
}

// The grid reads Lx until it is destroyed; let it go before Lx does.
TForm8::~TForm8() { SMDBGrid1->SetQuery(nullptr); }

void TForm8::BuildLayout() {
  const ListWindowFrame frame = BuildListWindowFrame(this, "Produse in lucru", 10);
  QHBoxLayout* corp = frame.body;
  StatusBar1 = frame.statusBar;

  auto* panou = new QWidget(this);
  panou->setObjectName("Panel1");
  panou->setFixedWidth(240);
  auto* stanga = new QVBoxLayout(panou);
  stanga->setContentsMargins(0, 0, 0, 0);
  stanga->setSpacing(2);
  const QStringList instructiuni = {"INSTRUCTIUNI:",
                                    "- dublu click pe produs pentru a",
                                    "bifa casuta din coloana GATA",
                                    "- click pe capul de coloana pentru",
                                    "a ordona tabelul dupa coloana",
                                    "- NU UITATI sa apasati butonul",
                                    "MEMOREAZA pentru ca modi-",
                                    "ficarile sa fie definitive !",
                                    "- listarea se face numai cu produ-",
                                    "sele care NU sunt gata !"};
  int n = 1;
  for (const QString& text : instructiuni) {
    auto* l = new QLabel(text, panou);
    l->setObjectName(QString("Label%1").arg(n++));
    if (text.startsWith('-')) stanga->addSpacing(6);
    stanga->addWidget(l);
  }
  QLabel* titlu = panou->findChild<QLabel*>("Label1");
  QFont ft = titlu->font();
  ft.setBold(true);
  titlu->setFont(ft);
  stanga->addSpacing(16);
  BitBtn1 = ConvexButton(panou, "BitBtn1", "MEMOREAZA", "Memoreaza produsele bifate ca gata.");
  BitBtn2 = ConvexButton(panou, "BitBtn2", "LISTEAZA", "Listeaza produsele care nu sunt gata.");
  for (QPushButton* b : {BitBtn1, BitBtn2}) {
    b->setAutoDefault(false);
    stanga->addWidget(b);
    stanga->addSpacing(4);
  }
  stanga->addStretch();
  corp->addWidget(panou);

  SMDBGrid1 = new DbGrid(this);
  SMDBGrid1->setObjectName("SMDBGrid1");
  const Qt::Alignment centru = Qt::AlignHCenter | Qt::AlignVCenter;
  auto coloana = [&](const char* camp, const char* titlu, int latime) {
    return QueryModel::Column{.field = camp,
                              .title = titlu,
                              .boldTitle = true,
                              .centredTitle = true,
                              .width = latime};
  };
  std::vector<QueryModel::Column> coloane = {
      coloana("EX2", "GATA", 60),      coloana("TERMEN", "TERMEN", 110),
      coloana("DENUMIRE", "PRODUS", 320), coloana("UM", "UM", 50),
      coloana("LUNG", "LUNGIME", 90),  coloana("LAT", "LATIME", 90),
      coloana("CANT", "CANT.", 90),    coloana("BUC", "Buc.", 60)};
  coloane[0].checkBox = true;
  coloane[0].alignment = centru;
  coloane[1].alignment = centru;
  SMDBGrid1->SetColumns(std::move(coloane));
  SMDBGrid1->SetTitlesClickable(true);
  SMDBGrid1->SetQuery(&Lx);
  corp->addWidget(SMDBGrid1, 1);


  connect(SMDBGrid1, &DbGrid::DblClick, this, &TForm8::SMDBGrid1DblClick);
  connect(SMDBGrid1, &DbGrid::TitleClick, this,
          [this](int, const QString& field) { SMDBGrid1TitleClick(field); });
  connect(BitBtn1, &QPushButton::clicked, this, &TForm8::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm8::BitBtn2Click);
}

void TForm8::ArataLucru() {
  CaleLucru = store::CaleTabela(CaleProgram, "Lucru.dbf");
  store::StergeTabelaTemp(CaleLucru);  // a file that cannot go is reported by the create

  Form1()->QueryRst(Sx);
  Sx.SQL().Add(Std("CREATE TABLE \"" + CaleLucru + "\""));
  Sx.SQL().Add("(TERMEN DATE, CODCOM DECIMAL(10,0), DENUMIRE CHAR(40), UM CHAR(3),");
  Sx.SQL().Add("CANT DECIMAL(8,3), LUNG DECIMAL(8,3), LAT DECIMAL(8,3),EXECUTAT CHAR(2),");
  Sx.SQL().Add("EX2 BOOLEAN, BUC DECIMAL(6,0))");
  Sx.ExecSQL();

  Sx.SQL().Clear();
  Sx.SQL().Add(Std("INSERT INTO \"" + CaleLucru + "\""));
  Sx.SQL().Add("(TERMEN,CODCOM,DENUMIRE,UM,CANT,LUNG,LAT,EXECUTAT,EX2, BUC)");
  Sx.SQL().Add("SELECT C.TERMEN, Z.CODCOM,Z.DENUMIRE,Z.UM,Z.CANT,Z.LUNG,Z.LAT,Z.EXECUTAT, FALSE, Z.BUC");
  Sx.SQL().Add(Std("FROM \"" + CaleData + "\\Comenzi.dbf\" Z,"));
  Sx.SQL().Add(Std("\"" + CaleData + "\\CapCom.dbf\" C,"));
  Sx.SQL().Add(Std("\"" + CaleData + "\\Magazie.dbf\" M"));
  Sx.SQL().Add("WHERE  (Z.CODCAP=C.CODCAP) AND (Z.CODMAG=M.CODMAG)");
  Sx.SQL().Add("AND (C.PREDAT=\"NU\") AND (M.TIP=0)");
  // The engine reads the lines of the open orders only, through the CODCAP
  // tag of Comenzi.dbf, not every line ever saved.
  Sx.ExecSQL();

  Sx.SQL().Clear();
  Sx.SQL().Add(Std("UPDATE \"" + CaleLucru + "\""));
  Sx.SQL().Add("SET EX2=TRUE");
  Sx.SQL().Add("WHERE EXECUTAT=\"DA\"");
  Sx.ExecSQL();

  Form1()->QueryRst(Lx);
  Lx.SQL().Add(Std("SELECT * FROM \"" + CaleLucru + "\""));
  Lx.SQL().Add("ORDER BY CODCOM");
  DeschideLx();

  if (QScreen* ecran = screen()) setGeometry(ecran->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);
  exec();
}

void TForm8::DeschideLx() {
  Lx.Open();
  const std::pair<const char*, const char*> formate[] = {{"TERMEN", "dd.MMM.yyyy"},
                                                         {"CANT", Formats::kQuantity},
                                                         {"LUNG", Formats::kQuantity},
                                                         {"LAT", Formats::kQuantity}};
  for (const auto& [camp, format] : formate) {
    if (lumi::TField* f = Lx.FindField(camp)) f->SetDisplayFormat(format);
  }
}

void TForm8::ReafiseazaPe(const QString& codcom) {
  DeschideLx();
  Lx.Locate("CODCOM", Std(codcom));
}

void TForm8::SMDBGrid1DblClick() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  if (!Lx.Active() || Lx.IsEmpty()) return;
  const QString cod = Text(Lx.FieldByName("CODCOM"));
  const bool bifat = Lx.FieldByName("EX2").AsBoolean();
  Lx.Close();
  Sx.SQL().Clear();
  Sx.SQL().Add(Std("UPDATE \"" + CaleLucru + "\""));
  Sx.SQL().Add(bifat ? "SET EX2=FALSE" : "SET EX2=TRUE");
  Sx.SQL().Add(Std("WHERE CODCOM=" + cod));
  try {
    Sx.ExecSQL();
  } catch (...) {
    // The list must not stay empty after a failed statement.
    const std::exception_ptr eroare = std::current_exception();
    ReafiseazaPe(cod);
    std::rethrow_exception(eroare);
  }
  ReafiseazaPe(cod);
}

void TForm8::SMDBGrid1TitleClick(const QString& field) {
  if (!Lx.Active() || Lx.IsEmpty() || field.isEmpty()) return;
  const QString cod = Text(Lx.FieldByName("CODCOM"));
  Lx.SQL().Set(1, Std("ORDER BY " + field));
  ReafiseazaPe(cod);
}

std::set<TForm8::Lucrare> TForm8::LucrariAtinse() {
  QStringList schimbate;  // lines whose tick differs from their mark
  Sx.SQL().Clear();
  Sx.SQL().Add(Std("SELECT CODCOM, EXECUTAT, EX2 FROM \"" + CaleLucru + "\""));
  Sx.Open();
  const lumi::TField& codcom = Sx.FieldByName("CODCOM");
  const lumi::TField& executat = Sx.FieldByName("EXECUTAT");
  const lumi::TField& ex2 = Sx.FieldByName("EX2");
  for (Sx.First(); !Sx.Eof(); Sx.Next()) {
    if (Text(executat) != (ex2.AsBoolean() ? "DA" : "NU")) schimbate << Text(codcom);
  }
  Sx.Close();

  // Each line's work, found through the CODCOM tag.
  std::set<Lucrare> atinse;
  lumi::TQuery linie;
  linie.SQL().Add(Std("SELECT CODCAP, TITLU FROM " + TabelData("Comenzi.dbf")));
  linie.SQL().Add("WHERE CODCOM=:CODCOM");
  linie.Prepare();
  for (const QString& cod : schimbate) {
    linie.Close();
    linie.ParamByName("CODCOM").SetAsFloat(cod.toDouble());
    linie.Open();
    if (linie.IsEmpty()) continue;
    const QString titlu = Text(linie.FieldByName("TITLU"));
    if (!titlu.isEmpty()) atinse.insert({Text(linie.FieldByName("CODCAP")), titlu});
  }
  return atinse;
}

void TForm8::RecalculeazaLucrari(const std::set<Lucrare>& lucrari) {
  for (const auto& [codcap, titlu] : lucrari) MarcheazaLucrareaDupaLinii(Sx, codcap, titlu);
}

void TForm8::BitBtn1Click() {
  BusyWindow ocupat(this);
  if (!ocupat) return;
  const std::set<Lucrare> lucrari = LucrariAtinse();
  // The copy-back assigns only the lines the scratch table lists (a line it
  // does not list keeps its mark), and the headings of the works it changes
  // follow in the same change.
  store::AsOneChange([&] {
    Sx.SQL().Clear();
    Sx.SQL().Add(Std("UPDATE \"" + CaleLucru + "\""));
    Sx.SQL().Add("SET EXECUTAT=\"NU\"");
    Sx.ExecSQL();
    Sx.SQL().Set(1, "SET EXECUTAT=\"DA\"");
    Sx.SQL().Add("WHERE EX2=TRUE");
    Sx.ExecSQL();

    Sx.SQL().Clear();
    Sx.SQL().Add(Std("UPDATE " + TabelData("Comenzi.dbf") + " Z"));
    Sx.SQL().Add("SET EXECUTAT=");
    Sx.SQL().Add(Std("( SELECT EXECUTAT FROM \"" + CaleLucru + "\" T"));
    Sx.SQL().Add("WHERE T.CODCOM=Z.CODCOM )");
    Sx.ExecSQL();

    RecalculeazaLucrari(lucrari);
  });
  QString raspuns;
  Form30()->Mesaj("Modificarile au fost memorate !", "Information", raspuns, 0);
}

// The work-list document is not built yet.
void TForm8::BitBtn2Click() {}

void TForm8::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TForm8::FormClose() {
  Sx.SQL().Clear();
  Lx.SQL().Clear();
  if (!CaleLucru.isEmpty()) store::StergeTabelaTemp(CaleLucru);
}
