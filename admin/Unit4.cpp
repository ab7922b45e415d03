#include "admin/Unit4.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "admin/DialogKeys.h"
#include "admin/Unit5.h"
#include "admin/password_scramble.h"
#include "engine/dbf/codepage.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "shell/Unit3.h"

namespace {

// Where the administrator password is kept, scrambled.
constexpr const char* kValoareParola = "Erori";

QString ParolaStocata() { return Form1()->Citeste_Reg(kValoareParola); }

void Mesaj(const QString& text, const QString& tip, int butoane, QString* raspuns = nullptr) {
  QString r;
  Form30()->Mesaj(text, tip, r, butoane);
  if (raspuns) *raspuns = r;
}

QLineEdit* CasutaParola(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setEchoMode(QLineEdit::Password);
  e->setStyleSheet("lineedit-password-character: 42;");
  e->setMaxLength(32);
  return e;
}

}  // namespace

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName("Form4");
  setWindowTitle("Administrator program");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  GroupBox1 = new QGroupBox(" Schimbare parola  ", this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setToolTip("Schimbarea parolei administrator.");
  Edit2 = CasutaParola(GroupBox1, "Edit2");
  Edit3 = CasutaParola(GroupBox1, "Edit3");
  BitBtn1 = new QPushButton("&Schimba parola", GroupBox1);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setToolTip("Inlocuieste parola veche cu cea scrisa acum.");
  auto* parole = new QFormLayout(GroupBox1);
  parole->addRow("Parola noua", Edit2);
  parole->addRow("Inca odata", Edit3);
  parole->addRow(QString(), BitBtn1);

  Label5 = new QLabel("Date despre Societate", this);
  Label5->setObjectName("Label5");
  QFont titlu = Label5->font();
  titlu.setBold(true);
  Label5->setFont(titlu);
  Label6 = new QLabel("Denumirea societatii apare in antetul documentele listate", this);
  Label6->setObjectName("Label6");
  Edit1 = new QLineEdit(kDenumireInitiala, this);
  Edit1->setObjectName("Edit1");
  Edit4 = new QLineEdit(kFondInitial, this);
  Edit4->setObjectName("Edit4");
  auto* societate = new QFormLayout;
  societate->addRow(Edit1);
  societate->addRow("Cod Fiscal (telefon)", Edit4);

  CheckBox1 = new QCheckBox("DEBLOCARE PROGRAM", this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setToolTip("Va da dreptul de a modifica date.");

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->showMessage("ESC - Iesire din Administrare");

  auto* continut = new QVBoxLayout;
  continut->setContentsMargins(12, 12, 12, 6);
  continut->addWidget(GroupBox1);
  continut->addSpacing(8);
  continut->addWidget(Label5);
  continut->addWidget(Label6);
  continut->addLayout(societate);
  continut->addSpacing(8);
  continut->addWidget(CheckBox1, 0, Qt::AlignLeft);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(0, 0, 0, 0);
  all->addLayout(continut);
  all->addWidget(StatusBar1);
  setFixedSize(qMax(sizeHint().width(), 380), sizeHint().height());
  FaraButonImplicit(this);

  connect(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm4::CheckBox1Click);
}

QString TForm4::CodeazaStr(const QString& parola) {
  // The password is scrambled as its Windows-1250 bytes.
  const lumi::dbf::CodePage& cp1250 = lumi::dbf::CodePage::ForNumber(1250);
  std::string bytes, bad;
  if (!cp1250.Encode(parola.toStdString(), &bytes, &bad)) return QString();
  return QString::fromStdString(cp1250.Decode(lumi::ScramblePassword(bytes)));
}

void TForm4::CitesteSocietate() {
  const QString denumire = Form1()->CitesteStr_din_Ini("SETARI", "DENUMIRE");
  if (!denumire.isEmpty()) Edit1->setText(denumire);
  const QString fond = Form1()->CitesteStr_din_Ini("SETARI", "FOND");
  if (!fond.isEmpty()) Edit4->setText(fond);
}

void TForm4::ScrieSocietate() {
  Form1()->ScrieStr_in_Ini("SETARI", "DENUMIRE", Edit1->text());
  Form1()->ScrieStr_in_Ini("SETARI", "FOND", Edit4->text());
}

void TForm4::IdentificaAdmin() {
  const auto arata = [this] {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
      move(s->availableGeometry().center() - rect().center());
    }
    exec();
  };
  const QString stocata = ParolaStocata();
  if (ProgramDeblocat) return arata();
  if (stocata.isEmpty()) {
    Mesaj("        ATENTIE!\r\nNu aveti nici o parola!", "Warning", 0);
    return arata();
  }
  QString parola;
  if (!Form5()->InputQuery2("IDENTIFICARE ADMIN", "PAROLA :", parola)) return;
  // Read again: the value is compared as it stands now.
  const QString codata = CodeazaStr(parola);
  if (codata.isEmpty() || codata != ParolaStocata()) {
    Mesaj("PAROLA INCORECTA !", "Error", 0);
    return;
  }
  arata();
}

void TForm4::BitBtn1Click() {
  const QString noua = Edit2->text();
  if (noua != Edit3->text()) {
    Mesaj("Nu ati scris parola noua la fel in cele doua casute !", "Error", 0);
    QApplication::beep();
    return;
  }
  if (!noua.isEmpty()) {
    const QString codata = CodeazaStr(noua);
    if (codata.isEmpty()) {
      // A letter the stored form cannot hold would make a password nobody can type back.
      Mesaj("Parola contine un caracter care nu poate fi pastrat !", "Error", 0);
      QApplication::beep();
      return;
    }
    Form1()->Scrie_Reg(kValoareParola, codata);
    Mesaj("Parola a fost schimbata cu succes!", "Information", 0);
    Edit2->clear();
    Edit3->clear();
    return;
  }
  QString raspuns;
  Mesaj("                        ATENTIE !\r\nDoriti sa dezactivati parola de administrator?",
        "Warning", 1, &raspuns);
  if (raspuns == "DA") Form1()->Scrie_Reg(kValoareParola, QString());
}

void TForm4::CheckBox1Click() { Form3()->SeteazaDeblocare(CheckBox1->isChecked()); }

void TForm4::done(int result) {
  QDialog::done(result);
  ScrieSocietate();
}

void TForm4::keyPressEvent(QKeyEvent* event) {
  // Enter moves from the new password to its repetition, then to the button.
  if (MutaFocusul(event, {{Edit2, Edit3}, {Edit3, BitBtn1}})) return;
  if (ApasaButonulCuFocus(event)) return;
  QDialog::keyPressEvent(event);  // Escape closes the window
}
