// The start-up sequence and the program's end as they touch the Data folder,
// the settings and the registry store: run through the windows, checked on disk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/Balloon.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Registry.h"
#include "shell/Unit1.h"
#include "shell/Unit1Helpers.h"
#include "shell/Unit3.h"
#include "tests/store/dbase_readers.h"
#include "tests/support/Drive.h"

namespace {

const char* const kTables[] = {"Magazie", "CapCom", "Comenzi", "Clienti", "Plati"};

class StartupTest : public ::testing::Test {
 public:
  void SetUp() override {
    Registry::SetStorePath(dir_.filePath("config/Veltrom/registry.ini"));
    Porneste();
  }
  void TearDown() override {
    DistrugeFerestrele();
    Registry::SetStorePath(QString());
    CaleProgram.clear();
    CaleData.clear();
  }
  // A start of the program from the scratch folder, as the start-up window
  // does it once shown.
  void Porneste() {
    CreeazaFerestrele();
    CaleProgram = dir_.path();
    CaleData = CaleProgram + "/Data";
    QDir().mkpath(CaleData);
  }
  void Reporneste() {
    DistrugeFerestrele();
    Porneste();
  }
  void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  }

  QTemporaryDir dir_;
};

TEST_F(StartupTest, AFirstStartPreparesTheTablesAndWritesTheRegistry) {
  Form1()->Timer1Timer();
  for (const char* t : kTables) {
    EXPECT_TRUE(readers::Info(CaleData + "/" + t + ".dbf").ok) << t;
    EXPECT_FALSE(readers::Tags(CaleData + "/" + t + ".mdx").isEmpty()) << t;
  }
  EXPECT_EQ(Form1()->LatimeBara(), 155);
  EXPECT_EQ(Form1()->Label5->text(), "Refac bazele de date ...");
  EXPECT_FALSE(Form1()->isVisible());
  EXPECT_TRUE(Form3()->isVisible());
  for (const char* b : {"ToolButton5", "ToolButton9", "ToolButton8", "ToolButton7", "ToolButton4"})
    EXPECT_FALSE(drive::child<QToolButton>(Form3(), b)->isEnabled()) << b;
  EXPECT_TRUE(Form3()->ToolButton2->isEnabled());
  EXPECT_TRUE(Form3()->ToolButton1->isEnabled());
  EXPECT_EQ(Form1()->Citeste_Reg("CALE"), CaleProgram);
  EXPECT_EQ(Form1()->Citeste_Reg("VER"), "Lumicraft 2.14");
}

TEST_F(StartupTest, CaleAndVerAreWrittenAtEveryStartAndTheRestSurvives) {
  Form1()->Scrie_Reg("CALE", "/elsewhere");
  Form1()->Scrie_Reg("Erori", "parola-codata");
  Form1()->ScrieStr_in_Ini("SETARI", "DENUMIRE", "SC Test SRL");
  EXPECT_EQ(Form1()->CodNou("CODCAP"), "1");
  Reporneste();
  Form1()->Timer1Timer();
  EXPECT_EQ(Form1()->Citeste_Reg("CALE"), CaleProgram);
  EXPECT_EQ(Form1()->Citeste_Reg("Erori"), "parola-codata");
  EXPECT_EQ(Form1()->CitesteStr_din_Ini("SETARI", "DENUMIRE"), "SC Test SRL");
  EXPECT_EQ(Form1()->CodExistent("CODCAP"), "2");
  EXPECT_TRUE(QFile::exists(CaleData + "/Lumicraft.ini"));
}

TEST_F(StartupTest, AFailingStepStillHandsOverWithItsMessage) {
  struct Case {
    const char* name;
    std::function<void(StartupTest&)> breakIt;
    const char* message;  // empty: any text
    bool tablesMade;
  } cases[] = {
      {"refused registry write",
       [](StartupTest& t) {
         t.Touch(t.dir_.filePath("config"));  // no folder can be made there
       },
       "Failed to set data for 'CALE'", false},
      {"Data is not a folder",
       [](StartupTest& t) {
         QDir(CaleData).removeRecursively();
         t.Touch(CaleData);
       },
       "", false},
  };
  for (const auto& c : cases) {
    Reporneste();
    c.breakIt(*this);
    drive::ErrorReports reports;
    Form1()->Timer1Timer();
    ASSERT_EQ(reports.texts().size(), 1) << c.name;
    if (*c.message) {
      EXPECT_EQ(reports.texts()[0], c.message) << c.name;
    }
    EXPECT_FALSE(reports.texts()[0].isEmpty()) << c.name;
    EXPECT_EQ(QFile::exists(CaleData + "/Magazie.dbf"), c.tablesMade) << c.name;
    EXPECT_TRUE(Form3()->isVisible()) << c.name;
    EXPECT_FALSE(Form1()->isVisible()) << c.name;
    QFile::remove(dir_.filePath("config"));
    QFile::remove(CaleData);
  }
}

TEST_F(StartupTest, TheProgramsEndDeletesTheFixedScratchNamesOnly) {
  const QStringList scratch = {"chitmp.dbf", "det.dbf",   "det.mdx",   "iz.dbf",   "listmp.dbf",
                               "sc.dbf",     "temp1.dbf", "temp1.mdx", "temp1.dbt"};
  const QStringList kept = {"Lucru.dbf", "Lucru.mdx", "T1.dbf", "T4.dbf", "notes.txt"};
  for (const QString& f : scratch + kept) Touch(dir_.filePath(f));
  DistrugeFerestrele();  // the toolbar is destroyed at the program's end
  QStringList left = QDir(dir_.path()).entryList(QDir::Files, QDir::Name);
  QStringList expected = kept;
  expected.sort();
  EXPECT_EQ(left, expected);
  Porneste();  // for TearDown
}

TEST_F(StartupTest, InputErrorsShowAsABalloonAtTheControl) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* cantitate = new QLineEdit(&window);
  auto* pret = new QLineEdit(&window);
  layout->addWidget(cantitate);
  layout->addWidget(pret);
  window.show();
  drive::activate(&window);
  cantitate->setFocus();
  Form1()->HEroare("Pretul trebuie sa fie mai mare decat 0!", pret);
  auto* hint = Form1()->findChild<Balloon*>("Hint1");
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->Title(), "Problema !");
  EXPECT_EQ(hint->Text(), "Pretul trebuie sa fie mai mare decat 0!");
  EXPECT_EQ(hint->ArrowTip(), pret->mapToGlobal(QPoint(10, 10)));
  EXPECT_EQ(hint->HideTimer()->interval(), 3000);
  EXPECT_EQ(QApplication::focusWidget(), cantitate);
  Form1()->HEroare("Introduceti cantitatea!", cantitate);
  EXPECT_EQ(Form1()->findChildren<Balloon*>().size(), 1) << "one balloon, reused";
}

TEST_F(StartupTest, NumericBoxesTypeThroughTheStartUpWindow) {
  // How an entry window wires a read-only numeric box: its key handler hands
  // every press to Lasa_Numar.
  struct Filter : QObject {
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() != QEvent::KeyPress) return false;
      std::uint16_t key = Ajutoare::CodTasta(static_cast<QKeyEvent*>(e));
      Form1()->Lasa_Numar(o, key, static_cast<QKeyEvent*>(e)->modifiers());
      return false;
    }
  } filter;
  QLineEdit box;
  box.setObjectName("Edit3");
  box.setReadOnly(true);
  box.setMaxLength(7);
  box.setText("0");
  box.installEventFilter(&filter);
  box.show();
  drive::activate(&box);
  box.setCursorPosition(1);
  QTest::keyClicks(&box, "12.5.");
  QTest::keyClick(&box, Qt::Key_3, Qt::KeypadModifier);
  QTest::keyClick(&box, Qt::Key_Backspace);
  QTest::keyClick(&box, Qt::Key_7);
  EXPECT_EQ(box.text(), "12.57");
}

}  // namespace
