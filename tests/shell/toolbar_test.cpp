// The main toolbar: its buttons, its keys and the closing question.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "controls/GradientPanel.h"
#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "shell/Unit3.h"
#include "tests/support/Drive.h"

namespace {

class Bara : public ::testing::Test {
 protected:
  void SetUp() override {
    CreeazaFerestrele();
    Form3()->show();
    drive::activate(Form3());
  }
  void TearDown() override {
    DistrugeFerestrele();
    ProgramDeblocat = false;
  }
};

TEST_F(Bara, ButtonsAsDesigned) {
  struct B {
    const char* nume;
    const char* text;
    const char* hint;
    int imagine;
    bool activ;
  };
  const B butoane[] = {
      {"ToolButton5", "Magazie", "Magazie. Intrari. Gestiune.", 6, false},
      {"ToolButton9", "Comenzi", "Comenzi - Istoric, Adaugare, Modificare.", 7, false},
      {"ToolButton8", "In lucru", "Comenzi in lucru. Detalii.", 8, false},
      {"ToolButton7", "Rapoarte", "Diverse rapoarte.", 4, false},
      {"ToolButton2", " Admin", "Administrare program.", 1, true},
      {"ToolButton4", "Salvare", "Salvare - Restaurare baza de date.", 3, false},
      {"ToolButton1", " Iesire", "Inchide program.", 0, true},
  };
  TForm3* t = Form3();
  ASSERT_EQ(t->ImageList1.size(), 9);
  int x = -1;
  for (const B& b : butoane) {
    auto* w = drive::child<QToolButton>(t, b.nume);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->text(), b.text);
    EXPECT_EQ(w->toolTip(), b.hint);
    EXPECT_EQ(w->isEnabled(), b.activ) << b.nume;
    EXPECT_EQ(w->size(), QSize(51, 52));
    EXPECT_EQ(w->iconSize(), QSize(32, 32));
    EXPECT_EQ(w->icon().pixmap(32, 32).toImage(), t->ImageList1[b.imagine].toImage()) << b.nume;
    EXPECT_GT(w->x(), x) << "buttons left to right";
    x = w->x();
  }
  EXPECT_EQ(t->height(), 74);
  // Docked at the top, as wide as the screen.
  const QRect ecran = t->screen()->availableGeometry();
  EXPECT_EQ(t->frameGeometry().topLeft(), ecran.topLeft());
  EXPECT_EQ(t->frameGeometry().width(), ecran.width());
  EXPECT_EQ(t->palette().color(QPalette::Window), QColor(0xA7, 0xBC, 0xEF));
  EXPECT_EQ(drive::child<QLabel>(t->StatusBar1, "StatusText")->text(), "ESC - Iesire din program");
  EXPECT_EQ(t->Label1->text(), Formats::DateShown(QDate::currentDate()));
  EXPECT_EQ(t->Panel1->width(), 126);
}

TEST_F(Bara, UnlockingEnablesTheWorkButtonsTogether) {
  TForm3* t = Form3();
  for (bool deblocat : {true, false}) {
    t->SeteazaDeblocare(deblocat);
    EXPECT_EQ(ProgramDeblocat, deblocat);
    for (QToolButton* b :
         {t->ToolButton5, t->ToolButton9, t->ToolButton8, t->ToolButton7, t->ToolButton4})
      EXPECT_EQ(b->isEnabled(), deblocat) << b->objectName().toStdString();
    EXPECT_TRUE(t->ToolButton2->isEnabled());
    EXPECT_TRUE(t->ToolButton1->isEnabled());
    EXPECT_EQ(t->ToolButton2->icon().pixmap(32, 32).toImage(),
              t->ImageList1[deblocat ? 7 : 1].toImage());
  }
}

TEST_F(Bara, LockedButtonsOpenNothing) {
  TForm3* t = Form3();
  QTest::mouseClick(t->ToolButton5, Qt::LeftButton);
  QTest::qWait(50);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Bara, UnlockedButtonsOpenTheirWindowsModally) {
  // The windows open on freshly made tables.
  QTemporaryDir dir;
  CaleProgram = dir.path();
  CaleData = CaleProgram + "/Data";
  QDir().mkpath(CaleData);
  Form1()->Timer1Timer();
  TForm3* t = Form3();
  t->SeteazaDeblocare(true);
  const std::pair<QToolButton*, const char*> cazuri[] = {{t->ToolButton5, "Form6"},
                                                         {t->ToolButton9, "Form7"},
                                                         {t->ToolButton8, "Form8"},
                                                         {t->ToolButton7, "Form9"},
                                                         {t->ToolButton4, "Form21"}};
  for (const auto& [buton, fereastra] : cazuri) {
    // What the window itself does on opening is its own business here.
    drive::ErrorReports erori;
    auto vazut = drive::onNextModal([](QWidget* d) { d->close(); });
    QTest::mouseClick(buton, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return vazut->seen; }, 6000));
    EXPECT_EQ(vazut->objectName, fereastra) << erori.texts().join(" | ").toStdString();
  }
}

// Every way of closing asks the question; only DA closes.
TEST_F(Bara, ClosingAsksFirst) {
  enum Cum { Esc, F12, Iesire, CloseBox };
  enum Raspuns { Da, Nu, Escape };
  const std::pair<Cum, Raspuns> cazuri[] = {{Esc, Nu},      {F12, Escape},      {Iesire, Nu},
                                            {CloseBox, Nu}, {CloseBox, Escape}, {Esc, Da},
                                            {F12, Da},      {Iesire, Da},       {CloseBox, Da}};
  for (const auto& [cum, raspuns] : cazuri) {
    TForm3* t = Form3();
    t->show();
    drive::activate(t);
    std::shared_ptr<drive::SeenDialog> vazut;
    if (raspuns == Escape) {
      vazut = drive::escapeNextModal();
    } else {
      vazut = drive::pressInNextModal(raspuns == Da ? "Da" : "Nu");
    }
    switch (cum) {
      case Esc:
        QTest::keyClick(t, Qt::Key_Escape);
        break;
      case F12:
        QTest::keyClick(t->ToolButton2, Qt::Key_F12);
        break;
      case Iesire:
        QTest::mouseClick(t->ToolButton1, Qt::LeftButton);
        break;
      case CloseBox:
        t->close();
        break;
    }
    EXPECT_TRUE(vazut->seen);
    EXPECT_EQ(vazut->objectName, "Form30");
    EXPECT_EQ(vazut->title, "CONFIRMARE");
    EXPECT_EQ(vazut->text, "Vreti sa inchideti programul?");
    EXPECT_EQ(t->isVisible(), raspuns != Da) << cum << " " << raspuns;
  }
}

// Closes every modal window that opens, up to `cate`, noting their names.
void InchideToate(QStringList* vazute, int cate) {
  if (cate == 0) return;
  drive::onNextModal(
      [vazute, cate](QWidget* d) {
        *vazute << d->objectName() + ":" + d->windowTitle();
        QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Escape);
        InchideToate(vazute, cate - 1);
      },
      cate == 3 ? 5000 : 1500);
}

TEST_F(Bara, F10DoesWhatAdminDoes) {
  TForm3* t = Form3();
  QStringList prinClic, prinF10;
  {
    drive::ErrorReports tolerate;
    testing::TestPartResultArray rezultate;
    testing::ScopedFakeTestPartResultReporter fals(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &rezultate);
    InchideToate(&prinClic, 3);
    QTest::mouseClick(t->ToolButton2, Qt::LeftButton);
    QTest::qWait(1600);
    InchideToate(&prinF10, 3);
    QTest::keyClick(t, Qt::Key_F10);
    QTest::qWait(1600);
  }
  EXPECT_EQ(prinF10, prinClic);
  EXPECT_FALSE(prinClic.isEmpty()) << "the \" Admin\" button opened nothing";
}

TEST_F(Bara, DateIsTodaysEachTimeShown) {
  TForm3* t = Form3();
  t->Label1->setText("x");
  t->hide();
  t->show();
  EXPECT_EQ(t->Label1->text(), Formats::DateShown(QDate::currentDate()));
  EXPECT_EQ(t->Label1->text().count('.'), 2);
}

}  // namespace
