// The administration window, its password prompt and the administrator
// login, driven through the toolbar as the administrator uses them.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "admin/Unit4.h"
#include "admin/Unit5.h"
#include "engine/dbf/codepage.h"
#include "shell/IniFile.h"
#include "shell/Unit1.h"
#include "tests/admin/window_fixture.h"

namespace lumi::testing {
namespace {

using drive::child;

constexpr const char* kNoPassword = "        ATENTIE!\r\nNu aveti nici o parola!";
constexpr const char* kWrong = "PAROLA INCORECTA !";
constexpr const char* kChanged = "Parola a fost schimbata cu succes!";
constexpr const char* kDiffer = "Nu ati scris parola noua la fel in cele doua casute !";
constexpr const char* kRemove =
    "                        ATENTIE !\r\nDoriti sa dezactivati parola de administrator?";

class Administration : public ShopWindows {
 protected:
  // The " Admin" button, with the dialogs it opens answered in order.
  std::unique_ptr<Dialogs> Login(std::vector<Act> steps) {
    auto seen = std::make_unique<Dialogs>(std::move(steps));
    drive::clickOn(Form3(), "ToolButton2");
    return seen;
  }

  // A password as the window stores it.
  void SetPassword(const QString& password) {
    Registry::WriteString("Erori", TForm4::CodeazaStr(password));
  }

  QString Stored() { return Registry::ReadString("Erori"); }

  std::vector<QToolButton*> WorkButtons() {
    return {Form3()->ToolButton5, Form3()->ToolButton9, Form3()->ToolButton8, Form3()->ToolButton7,
            Form3()->ToolButton4};
  }
  void ExpectUnlocked(bool unlocked) {
    EXPECT_EQ(ProgramDeblocat, unlocked);
    // The " Admin" button shows picture 7 while unlocked, 1 while locked.
    const QImage shown = Form3()->ToolButton2->icon().pixmap(32, 32).toImage();
    EXPECT_TRUE(shown ==
                Form3()->ImageList1[unlocked ? 7 : 1].toImage().convertToFormat(shown.format()));
    for (QToolButton* b : WorkButtons())
      EXPECT_EQ(b->isEnabled(), unlocked) << b->objectName().toStdString();
    EXPECT_TRUE(Form3()->ToolButton2->isEnabled());
    EXPECT_TRUE(Form3()->ToolButton1->isEnabled());
  }
};

// Runs while a step of the login should not open the administration window:
// if it does, the test fails and the window is closed, so nothing hangs.
class MustNotOpen {
 public:
  explicit MustNotOpen(QWidget* w) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [w] {
      if (QApplication::activeModalWidget() == w) {
        ADD_FAILURE() << w->objectName().toStdString() << " opened";
        w->close();
      }
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

TEST_F(Administration, ScrambledPasswordIsTheKnownBytes) {
  const lumi::dbf::CodePage& cp1250 = lumi::dbf::CodePage::ForNumber(1250);
  std::string stored, bad;
  EXPECT_TRUE(cp1250.Encode(TForm4::CodeazaStr("abc").toStdString(), &stored, &bad));
  EXPECT_EQ(stored, "\x48\x95\x60\x2C\x73\x48\x61\x41\x3C\x5C\x93\x70\x8D\x62\x6B\x63");
  std::string empty;
  ASSERT_TRUE(cp1250.Encode(TForm4::CodeazaStr("").toStdString(), &empty, &bad));
  EXPECT_GE(empty.size(), 7u);
  EXPECT_LE(empty.size(), 36u);
}

TEST_F(Administration, WithoutAPasswordTheLoginWarnsAndOpensTheWindow) {
  ExpectUnlocked(false);
  const auto seen = Login({Press("Bo"), Escape()});
  EXPECT_EQ((*seen)[0].objectName, "Form30");
  EXPECT_EQ((*seen)[0].title, "ATENTIONARE !");
  EXPECT_EQ((*seen)[0].text, Lines(kNoPassword));
  EXPECT_EQ((*seen)[1].objectName, "Form4");
  EXPECT_EQ((*seen)[1].title, "Administrator program");
}

TEST_F(Administration, F10LogsInAsTheAdminButtonDoes) {
  SetPassword("abc");
  const Dialogs seen({AnswerPassword("abc"), Escape()});
  drive::activate(Form3());
  drive::pressKey(Form3(), QString(), Qt::Key_F10);
  EXPECT_EQ(seen[0].objectName, "Form5");
  EXPECT_EQ(seen[1].objectName, "Form4");
}

TEST_F(Administration, RightPasswordOpensUnlockLastsUntilUnticked) {
  SetPassword("abc");
  // Prompt, then the window: tick the box, which unlocks at once, and close.
  auto seen = Login({AnswerPassword("abc"), [](QWidget* d) {
                       drive::clickOn(d, "CheckBox1");
                       Escape()(d);
                     }});
  EXPECT_EQ((*seen)[0].objectName, "Form5");
  EXPECT_EQ((*seen)[0].title, "IDENTIFICARE ADMIN");
  EXPECT_EQ((*seen)[0].text, "PAROLA :");
  EXPECT_EQ((*seen)[1].objectName, "Form4");
  ExpectUnlocked(true);
  EXPECT_TRUE(Form5()->Edit1->text().isEmpty());

  // Unlocked: the window opens without the prompt; unticking locks at once.
  Login({[this](QWidget* d) {
    drive::clickOn(d, "CheckBox1");
    ExpectUnlocked(false);
    Escape()(d);
  }});
  ExpectUnlocked(false);

  // Locked again: the prompt is back.
  seen = Login({Escape()});
  EXPECT_EQ((*seen)[0].objectName, "Form5");
}

TEST_F(Administration, WrongOrCancelledLoginKeepsTheWindowClosed) {
  SetPassword("parola");
  const MustNotOpen guard(Form4());
  struct Case {
    const char* what;
    std::vector<Act> steps;
    bool wrongMessage;
  };
  const std::vector<Case> cases = {
      {"wrong password", {AnswerPassword("Parola"), Press("Bo")}, true},
      {"trailing blank", {AnswerPassword("parola "), Press("Bo")}, true},
      {"empty", {AnswerPassword(""), Press("Bo")}, true},
      {"cancel button", {Press("BitBtn2")}, false},
      {"escape", {Escape()}, false},
      {"close box", {[](QWidget* d) { d->close(); }}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto seen = Login(c.steps);
    if (c.wrongMessage) {
      EXPECT_EQ((*seen)[1].title, "DEFECTIUNE !");
      EXPECT_EQ((*seen)[1].text, kWrong);
    }
    ExpectUnlocked(false);
  }
}

TEST_F(Administration, PasswordsSetInTheWindowOpenItAgain) {
  // Blanks count, letters of the code page survive the store, and a password
  // of 32 characters (the limit of the boxes) works while a longer one typed
  // at the prompt never matches.
  struct Case {
    QString set;
    QString right;
    QString wrong;
  };
  const std::vector<Case> cases = {
      {"abc ", "abc ", "abc"},
      {"abc", "abc", "abc "},
      {"c", "c", "C"},  // its stored form holds bytes Windows-1250 leaves undefined
      {QString::fromUtf8("\xC8\x9B\x61r\xC4\x83"), QString::fromUtf8("\xC8\x9B\x61r\xC4\x83"),
       "tara"},  // "țară"
      {"\"k\"", "\"k\"", "k"},
      {QString(32, 'x'), QString(32, 'x'), QString(33, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set.toStdString());
    // Open the window (as the program is unlocked nothing is asked), set the password.
    Form3()->SeteazaDeblocare(true);
    Login({[&](QWidget* d) {
      Dialogs answer({Press("Bo")});
      drive::typeInto(d, "Edit2", QString(40, 'y'));  // the box stops at 32
      EXPECT_EQ(child<QLineEdit>(d, "Edit2")->text().size(), 32);
      Type(d, "Edit2", c.set);
      Type(d, "Edit3", c.set);
      drive::clickOn(d, "BitBtn1");
      EXPECT_EQ(answer[0].text, kChanged);
      EXPECT_TRUE(child<QLineEdit>(d, "Edit2")->text().isEmpty());
      EXPECT_TRUE(child<QLineEdit>(d, "Edit3")->text().isEmpty());
      Escape()(d);
    }});
    EXPECT_EQ(Stored(), TForm4::CodeazaStr(c.set));
    Form3()->SeteazaDeblocare(false);

    {
      const MustNotOpen guard(Form4());
      const auto seen = Login({AnswerPassword(c.wrong), Press("Bo")});
      EXPECT_EQ((*seen)[1].text, kWrong);
    }
    const auto seen = Login({AnswerPassword(c.right), Escape()});
    EXPECT_EQ((*seen)[1].objectName, "Form4") << "the right password did not open the window";
  }
}

TEST_F(Administration, ChangingAndRemovingThePassword) {
  SetPassword("veche");
  const QString old = Stored();
  Form3()->SeteazaDeblocare(true);
  Login({[&](QWidget* d) {
    auto* edit2 = child<QLineEdit>(d, "Edit2");
    auto* edit3 = child<QLineEdit>(d, "Edit3");
    {  // Two different texts: refused, the boxes keep them.
      Dialogs answer({Press("Bo")});
      drive::typeInto(d, "Edit2", "noua");
      drive::typeInto(d, "Edit3", "nouA");
      drive::clickOn(d, "BitBtn1");
      EXPECT_EQ(answer[0].title, "DEFECTIUNE !");
      EXPECT_EQ(answer[0].text, kDiffer);
      EXPECT_EQ(edit2->text(), "noua");
      EXPECT_EQ(edit3->text(), "nouA");
      EXPECT_EQ(Stored(), old);
    }
    {  // A letter the stored form cannot hold: refused.
      Dialogs answer({Press("Bo")});
      edit2->setText(QString::fromUtf8("\xD0\xB6"));
      edit3->setText(QString::fromUtf8("\xD0\xB6"));
      drive::clickOn(d, "BitBtn1");
      EXPECT_EQ(answer[0].title, "DEFECTIUNE !");
      EXPECT_EQ(Stored(), old);
    }
    edit2->clear();
    edit3->clear();
    for (const char* answer : {"Nu", ""}) {  // NU, then ESC: the password stays
      SCOPED_TRACE(answer);
      Dialogs ask({*answer ? Press(answer) : Escape()});
      drive::clickOn(d, "BitBtn1");
      EXPECT_EQ(ask[0].title, "ATENTIONARE !");
      EXPECT_EQ(ask[0].text, Lines(kRemove));
      EXPECT_EQ(Stored(), old);
    }
    Dialogs ask({Press("Da")});
    drive::clickOn(d, "BitBtn1");
    EXPECT_TRUE(Stored().isEmpty());
    Escape()(d);
  }});
  // No password any more: the login warns again.
  Form3()->SeteazaDeblocare(false);
  const auto seen = Login({Press("Bo"), Escape()});
  EXPECT_EQ((*seen)[0].text, Lines(kNoPassword));
}

TEST_F(Administration, EnterMovesThroughThePasswordBoxesToTheButton) {
  Form3()->SeteazaDeblocare(true);
  Login({[](QWidget* d) {
    drive::typeInto(d, "Edit2", "unu");
    drive::pressKey(d, "Edit2", Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "Edit3");
    drive::typeInto(d, "Edit3", "unu");
    drive::pressKey(d, "Edit3", Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "BitBtn1");
    EXPECT_TRUE(d->isVisible());  // Enter in the boxes changed nothing yet
    Dialogs answer({Press("Bo")});
    drive::pressKey(d, "BitBtn1", Qt::Key_Return);
    EXPECT_EQ(answer[0].text, kChanged);
    Escape()(d);
  }});
  EXPECT_EQ(Stored(), TForm4::CodeazaStr("unu"));
}

TEST_F(Administration, PromptEnterMovesToOk) {
  SetPassword("abc");
  Login({[](QWidget* d) {
           drive::typeInto(d, "Edit1", "abc");
           drive::pressKey(d, "Edit1", Qt::Key_Return);
           EXPECT_EQ(QApplication::focusWidget()->objectName(), "BitBtn1");
           drive::pressKey(d, "BitBtn1", Qt::Key_Return);
         },
         Escape()});
}

TEST_F(Administration, CompanyDataIsLoadedAtStartAndWrittenOnClose) {
  const QString ini = CaleData + "/Lumicraft.ini";
  // No settings file: the built-in texts.
  Form4()->CitesteSocietate();
  EXPECT_EQ(Form4()->Edit1->text(), "SC LUMICRAFT SRL Colvendi");
  EXPECT_EQ(Form4()->Edit4->text(), "R51867204");

  // Closing the window writes both keys, also when they were not changed.
  Form3()->SeteazaDeblocare(true);
  Login({Escape()});
  EXPECT_EQ(IniFile(ini).ReadString("SETARI", "DENUMIRE"), "SC LUMICRAFT SRL Colvendi");
  EXPECT_EQ(IniFile(ini).ReadString("SETARI", "FOND"), "R51867204");

  // An emptied name is stored empty; the next start shows the built-in name again.
  Login({[](QWidget* d) {
    child<QLineEdit>(d, "Edit1")->clear();
    Type(d, "Edit4", QString::fromUtf8("RO123 / 0744 \xC8\x99"));
    d->close();
  }});
  EXPECT_EQ(IniFile(ini).ReadString("SETARI", "DENUMIRE", "missing"), "");
  DistrugeFerestrele();
  CreeazaFerestrele();
  Form4()->CitesteSocietate();
  EXPECT_EQ(Form4()->Edit1->text(), "SC LUMICRAFT SRL Colvendi");
  EXPECT_EQ(Form4()->Edit4->text(), QString::fromUtf8("RO123 / 0744 \xC5\x9F"));
  Form21()->Reporneste = [] {};
}

TEST_F(Administration, StartUpLoadsTheCompanyDataAndStartsLocked) {
  WriteFile(Data() / "Lumicraft.ini", "[SETARI]\r\nDENUMIRE=SC STICLA SRL\r\nFOND=\r\n");
  Form3()->SeteazaDeblocare(true);
  Form1()->Timer1Timer();
  EXPECT_EQ(Form4()->Edit1->text(), "SC STICLA SRL");
  EXPECT_EQ(Form4()->Edit4->text(), "R51867204");  // an empty value is not loaded
  EXPECT_FALSE(ProgramDeblocat);
}

TEST_F(Administration, ControlsCarryTheirTexts) {
  TForm4* f = Form4();
  EXPECT_EQ(f->windowTitle(), "Administrator program");
  EXPECT_EQ(child<QGroupBox>(f, "GroupBox1")->title(), " Schimbare parola  ");
  EXPECT_EQ(child<QGroupBox>(f, "GroupBox1")->toolTip(), "Schimbarea parolei administrator.");
  EXPECT_EQ(f->BitBtn1->text(), "&Schimba parola");
  EXPECT_EQ(f->BitBtn1->toolTip(), "Inlocuieste parola veche cu cea scrisa acum.");
  EXPECT_EQ(f->CheckBox1->text(), "DEBLOCARE PROGRAM");
  EXPECT_EQ(f->CheckBox1->toolTip(), "Va da dreptul de a modifica date.");
  EXPECT_EQ(f->StatusBar1->currentMessage(), "ESC - Iesire din Administrare");
  for (QLineEdit* e : {f->Edit2, f->Edit3}) {
    EXPECT_EQ(e->echoMode(), QLineEdit::Password);
    EXPECT_EQ(e->maxLength(), 32);
    EXPECT_EQ(e->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, e), '*');
  }
  QStringList labels;
  for (QLabel* l : f->findChildren<QLabel*>()) labels << l->text();
  for (const char* text :
       {"Parola noua", "Inca odata", "Date despre Societate",
        "Denumirea societatii apare in antetul documentele listate", "Cod Fiscal (telefon)"}) {
    EXPECT_TRUE(labels.contains(text)) << text;
  }
  TForm5* p = Form5();
  EXPECT_EQ(p->Edit1->echoMode(), QLineEdit::Password);
  EXPECT_EQ(p->BitBtn1->toolTip(), "Verifica Parola.");
  EXPECT_EQ(p->BitBtn2->toolTip(), "Renunt la autentificare.");
  EXPECT_EQ(p->StatusBar1->currentMessage(), "ESC - Renunt");
}

}  // namespace
}  // namespace lumi::testing
