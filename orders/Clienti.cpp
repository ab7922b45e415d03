#include "orders/Clienti.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "orders/Comenzi.h"
#include "orders/DialogButtons.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SqlText.h"
#include "shell/Unit1.h"
#include "warehouse/UpperCase.h"

namespace {

std::string Std(const QString& s) { return s.toStdString(); }

QLineEdit* Caseta(QWidget* parent, const char* name, int lungime, bool majuscule) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(lungime);
  if (majuscule) MakeUpperCase(e);
  return e;
}

}  // namespace

TForm39::TForm39(QWidget* parent) : QDialog(parent) {
  setObjectName("Form39");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* root = new QVBoxLayout(this);
  CL1 = Caseta(this, "CL1", 40, true);
  CL2 = Caseta(this, "CL2", 120, false);
  CL3 = Caseta(this, "CL3", 10, true);
  CL4 = Caseta(this, "CL4", 12, true);
  CM1 = new QPlainTextEdit(this);
  CM1->setObjectName("CM1");
  CM1->setTabChangesFocus(true);
  CM1->setMinimumHeight(110);
  root->addLayout(EntryRows(this, {{"Label1", "NUME CLIENT", CL1},
                                   {"Label2", "ADRESA", CL2},
                                   {"Label3", "TELEFON", CL3},
                                   {"Label4", "COD FISCAL", CL4},
                                   {"Label5", "OBSERVATII", CM1}}));
  CL1->setMinimumWidth(420);
  CL3->setMaximumWidth(140);
  CL4->setMaximumWidth(160);
  AddSaveCancel(this, root, &BitBtn1, &BitBtn2, {CL1, CL2, CL3, CL4, CM1});
  connect(BitBtn1, &QPushButton::clicked, this, &TForm39::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm39::BitBtn2Click);
  setFixedSize(sizeHint());
}

void TForm39::StergeFormular() {
  for (QLineEdit* e : {CL1, CL2, CL3, CL4}) e->clear();
  CM1->clear();
}

qint64 TForm39::AdaugaClient(bool adaugare) {
  adaugare_ = adaugare;
  if (adaugare) {
    setWindowTitle("ADAUGARE CLIENT");
    StergeFormular();
  } else {
    setWindowTitle("MODIFICARE CLIENT");
  }
  rezultat_ = -1;
  CL1->setFocus();
  DeschideNumele();
  exec();
  Sx.Close();
  return rezultat_;
}

void TForm39::DeschideNumele() {
  Form1()->QueryRst(Sx);
  Sx.SQL().Add("SELECT DISTINCT NUME");
  Sx.SQL().Add(Std("FROM " + TabelData("Clienti.dbf")));
  Sx.Open();
}

void TForm39::CurataObservatiile() {
  QStringList linii = CM1->toPlainText().split('\n');
  while (!linii.isEmpty() && Form1()->Curata(linii.back()).isEmpty()) linii.removeLast();
  const QString curat = linii.join('\n');
  if (curat != CM1->toPlainText()) CM1->setPlainText(curat);
}

void TForm39::BitBtn1Click() {
  for (QLineEdit* e : {CL1, CL2, CL3, CL4}) e->setText(Form1()->Curata(e->text()));
  CurataObservatiile();
  if (CL1->text().isEmpty()) {
    CL1->setFocus();
    Form1()->HEroare("Nu ati scris Numele !", CL1);
    return;
  }
  if (adaugare_ && Sx.Active() && Sx.Locate("NUME", Std(CL1->text()))) {
    Form1()->HEroare("Numele exista deja in baza de date !", CL1);
    return;
  }

  const QString tabel = TabelData("Clienti.dbf");
  const QString nume = SqlText::Escape(CL1->text());
  const QString adresa = Form1()->FALStrToSQL(CL2->text());
  const QString tel = Form1()->FALStrToSQL(CL3->text());
  const QString cf = Form1()->FALStrToSQL(CL4->text());
  Sx.SQL().Clear();
  auto& l = Sx.SQL();
  qint64 rezultat = 0;
  if (adaugare_) {
    const QString cod = Form1()->CodNou("CODCLI");
    rezultat = cod.toLongLong();
    l.Add(Std("INSERT INTO " + tabel));
    l.Add("(CODCLI, NUME, ADRESA, TEL, CF, OBS)");
    l.Add("VALUES (");
    l.Add(Std(cod + ",\"" + nume + "\","));
    l.Add(Std(adresa + "," + tel + "," + cf + ","));
    l.Add(":param0 )");
  } else {
    l.Add(Std("UPDATE " + tabel));
    l.Add(Std("SET NUME=\"" + nume + "\","));
    l.Add(Std("ADRESA=" + adresa + ","));
    l.Add(Std("TEL=" + tel + ","));
    l.Add(Std("CF=" + cf + ","));
    l.Add("OBS=:param0");
    l.Add("WHERE CODCLI=" + Form7()->CLQ.FieldByName("CODCLI").AsString());
  }
  // Every line of the notes, the last included, ends with CR LF.
  QString note;
  if (!CM1->toPlainText().isEmpty()) {
    for (const QString& linie : CM1->toPlainText().split('\n')) note += linie + "\r\n";
  }
  Sx.ParamByName("param0").SetAsBlob(Std(note));
  try {
    Sx.ExecSQL();
  } catch (...) {
    // The dialog stays open for another try: it needs the names again.
    const std::exception_ptr eroare = std::current_exception();
    DeschideNumele();
    std::rethrow_exception(eroare);
  }
  rezultat_ = rezultat;
  accept();
}

void TForm39::BitBtn2Click() {
  rezultat_ = -1;
  reject();
}
