// The start-up window and its sequence: the look, the progress bar, and the
// hand-over to the toolbar, also when a step fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "shell/Unit3.h"
#include "tests/support/Drive.h"

namespace {

class Pornire : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    CreeazaFerestrele();
  }
  void TearDown() override {
    DistrugeFerestrele();
    ProgramDeblocat = false;
  }
  // The sequence works on a fresh folder, never on the build's own Data.
  void FolderNou() {
    CaleProgram = dir_.path();
    CaleData = CaleProgram + "/Data";
    QDir().mkpath(CaleData);
  }
  QTemporaryDir dir_;
};

TEST_F(Pornire, WindowLooksAsDesigned) {
  TForm1* f = Form1();
  EXPECT_EQ(f->size(), QSize(424, 201));
  EXPECT_TRUE(f->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(f->cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(f->Label2->text(), TitluProgram);
  EXPECT_EQ(f->Label1->text(), TitluProgram);
  EXPECT_EQ(f->Label1->pos(), f->Label2->pos() + QPoint(-2, 4));
  EXPECT_EQ(f->Label2->font().pixelSize(), 29);
  EXPECT_EQ(f->Label4->text(), "Gestiune magazie - vanzari - comenzi");
  EXPECT_TRUE(f->Label4->font().italic());
  EXPECT_EQ(f->Label5->text(), "Incarcare date");
  EXPECT_EQ(f->Timer1->interval(), 1000);
  EXPECT_FALSE(f->Timer1->isActive());
  const QImage img = f->grab().toImage();
  EXPECT_EQ(QColor(img.pixel(1, 0)), QColor(0xC2, 0xD2, 0xF3));
  EXPECT_EQ(QColor(img.pixel(1, 200)), QColor(0x0E, 0x23, 0x56));
  // The bar pattern: 2 x 18, white in its tenth row.
  EXPECT_EQ(f->Image1.size(), QSize(2, 18));
  EXPECT_EQ(f->Image1.pixel(0, 9), qRgb(255, 255, 255));
  EXPECT_EQ(f->Image1.pixel(1, 0), qRgb(0x11, 0x2D, 0x6C));
}

TEST_F(Pornire, ShowingSetsTheFoldersAndStartsTheTimer) {
  TForm1* f = Form1();
  f->show();
  EXPECT_EQ(CaleProgram, QCoreApplication::applicationDirPath());
  EXPECT_EQ(CaleData, CaleProgram + "/Data");
  EXPECT_TRUE(QDir(CaleData).exists());
  EXPECT_TRUE(f->Timer1->isActive());
  f->Timer1->stop();
}

TEST_F(Pornire, ProgressBarAdvancesByThreePointOnePixelsAPercent) {
  TForm1* f = Form1();
  ProcentIncarcare = 0;
  const int asteptat[] = {31, 62, 93, 124, 155};
  for (int i = 0; i < 5; ++i) {
    f->Plus_X_Procent(10);
    EXPECT_EQ(f->LatimeBara(), asteptat[i]);
  }
  f->Plus_X_Procent(3);  // 53 percent: 164.3 pixels, truncated
  EXPECT_EQ(f->LatimeBara(), 164);
  // The bar on screen: from x 48, rows 160 to 177.
  const QImage img = f->grab().toImage();
  EXPECT_EQ(img.pixel(48, 169), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(48 + 163, 169), qRgb(255, 255, 255));
  EXPECT_NE(img.pixel(48 + 164, 169), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(100, 160), qRgb(0x11, 0x2D, 0x6C));
  EXPECT_NE(img.pixel(100, 178), img.pixel(100, 177));
}

TEST_F(Pornire, SequenceHandsOverToTheLockedToolbar) {
  ProgramDeblocat = true;
  Form1()->show();
  Form1()->Timer1->stop();
  FolderNou();
  Form1()->Timer1Timer();
  // A first start: the five tables made, the bar half drawn.
  for (const char* t : {"Magazie.dbf", "CapCom.dbf", "Comenzi.dbf", "Clienti.dbf", "Plati.dbf"})
    EXPECT_TRUE(QFile::exists(CaleData + "/" + t)) << t;
  EXPECT_EQ(Form1()->LatimeBara(), 155);
  EXPECT_FALSE(Form1()->isVisible());
  EXPECT_FALSE(Form1()->Timer1->isActive());
  EXPECT_EQ(Form1()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(ProgramDeblocat);
  TForm3* t = Form3();
  EXPECT_TRUE(t->isVisible());
  EXPECT_EQ(t->windowTitle(), TitluProgram);
  for (const char* b : {"ToolButton5", "ToolButton9", "ToolButton8", "ToolButton7", "ToolButton4"})
    EXPECT_FALSE(drive::child<QToolButton>(t, b)->isEnabled()) << b;
  EXPECT_TRUE(t->ToolButton2->isEnabled());
  EXPECT_TRUE(t->ToolButton1->isEnabled());
  t->hide();
}

TEST_F(Pornire, AFailingStepStillReachesTheToolbar) {
  Form1()->show();
  Form1()->Timer1->stop();
  // Data is a file, so no table can be made in it.
  CaleProgram = dir_.path();
  CaleData = CaleProgram + "/Data";
  QFile f(CaleData);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  drive::ErrorReports erori;
  Form1()->Timer1Timer();
  EXPECT_EQ(erori.texts().size(), 1);
  EXPECT_FALSE(Form1()->isVisible());
  EXPECT_EQ(Form1()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(Form3()->isVisible());
  EXPECT_FALSE(Form3()->ToolButton5->isEnabled());
  Form3()->hide();
}

TEST_F(Pornire, TimerRunsTheSequenceOnce) {
  Form1()->show();
  FolderNou();
  EXPECT_TRUE(QTest::qWaitFor([] { return Form3()->isVisible(); }, 3000));
  EXPECT_FALSE(Form1()->isVisible());
  EXPECT_FALSE(Form1()->Timer1->isActive());
  // Showing the start-up window again does not start a second sequence.
  Form1()->show();
  EXPECT_FALSE(Form1()->Timer1->isActive());
  Form1()->hide();
  Form3()->hide();
}

}  // namespace
