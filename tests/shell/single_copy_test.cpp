// One running copy: real program processes started against a private socket
// folder (TMPDIR), so neither parallel tests nor a copy in real use can meet
// them.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SingleCopy.h"
#include "shell/Unit3.h"

namespace {

class CopieUnicaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sockets_.isValid() && bin_.isValid());
    vechiTmp_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", sockets_.path().toUtf8());
    // A copy of the program in a folder of its own, so its Data folder is too.
    program_ = bin_.path() + "/lumicraft";
    ASSERT_TRUE(QFile::copy(LUMICRAFT_EXE, program_));
  }
  void TearDown() override {
    for (QProcess* p : pornite_) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(3000);
      }
      delete p;
    }
    qputenv("TMPDIR", vechiTmp_);
  }

  QProcess* Porneste() {
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", sockets_.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program_, {});
    EXPECT_TRUE(p->waitForStarted(5000));
    pornite_ << p;
    return p;
  }

  QString Socket(const QString& titlu) const {
    return sockets_.path() + "/" + CopieUnica::NumeSocket(titlu);
  }

  QTemporaryDir sockets_, bin_;
  QByteArray vechiTmp_;
  QString program_;
  QList<QProcess*> pornite_;
};

TEST_F(CopieUnicaTest, SecondStartEndsAndTheFirstRunsOn) {
  QProcess* prima = Porneste();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(Socket(TitluProgram)); }, 10000));
  QProcess* adoua = Porneste();
  EXPECT_TRUE(adoua->waitForFinished(5000));
  EXPECT_EQ(adoua->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(adoua->exitCode(), 0);
  EXPECT_EQ(prima->state(), QProcess::Running);
  // The first copy goes on with its start-up.
  EXPECT_TRUE(QTest::qWaitFor([&] { return QDir(bin_.path() + "/Data").exists(); }, 5000));
}

TEST_F(CopieUnicaTest, SecondStartBringsTheRunningCopyForward) {
  CreeazaFerestrele();
  CopieUnica copie(TitluProgram);
  ASSERT_TRUE(copie.Asculta());
  QSignalSpy trezit(&copie, &CopieUnica::Trezita);
  Form3()->showMinimized();
  ASSERT_TRUE(Form3()->isMinimized());

  QProcess* adoua = Porneste();
  EXPECT_TRUE(QTest::qWaitFor([&] { return adoua->state() == QProcess::NotRunning; }, 5000));
  EXPECT_EQ(adoua->exitCode(), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return trezit.count() == 1; }, 2000));
  EXPECT_FALSE(Form3()->isMinimized());
  EXPECT_TRUE(Form3()->isVisible());
  Form3()->hide();
  DistrugeFerestrele();
}

TEST_F(CopieUnicaTest, ADifferentTitleOrALeftoverSocketLetsACopyStart) {
  // A copy under another title (as after a restore renamed it) does not count.
  CopieUnica altul(TitluProgram + " vechi");
  ASSERT_TRUE(altul.Asculta());
  QProcess* p = Porneste();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(Socket(TitluProgram)); }, 10000));
  EXPECT_EQ(p->state(), QProcess::Running);
  p->kill();
  p->waitForFinished(3000);

  // The killed copy left its socket file; the next start replaces it.
  ASSERT_TRUE(QFile::exists(Socket(TitluProgram)));
  QProcess* q = Porneste();
  QTest::qWait(1500);
  EXPECT_EQ(q->state(), QProcess::Running);
  CopieUnica sonda(TitluProgram);
  EXPECT_TRUE(sonda.TrezesteCopiaPornita());
}

}  // namespace
