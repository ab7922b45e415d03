// Pictures of the small windows for looking at by eye: written only when
// LUMI_SCREENSHOT_DIR names a folder (scripts/screenshot sets it).
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Unit1.h"
#include "shell/Unit3.h"
#include "shell/Unit7.h"
#include "tests/support/Drive.h"

namespace {

QString Folder() { return qEnvironmentVariable("LUMI_SCREENSHOT_DIR"); }

TEST(Gallery, SavesThePictures) {
  if (Folder().isEmpty()) GTEST_SKIP() << "LUMI_SCREENSHOT_DIR not set";
  QDir().mkpath(Folder());
  TForm30 dlg;
  const std::pair<const char*, const char*> feluri[] = {
      {"Warning", "        ATENTIE!\r\nNu aveti nici o parola!"},
      {"Error", "PAROLA INCORECTA !"},
      {"Confirmation", "Vreti sa inchideti programul?"},
      {"Information", "Parola a fost schimbata cu succes!"}};
  for (const auto& [tip, text] : feluri) {
    drive::onNextModal([tip = tip](QWidget* d) {
      QTest::qWait(20);
      d->grab().save(Folder() + "/mesaj-" + QString(tip).toLower() + ".png");
      QTest::keyClick(d, Qt::Key_Escape);
    });
    QString r;
    dlg.Mesaj(text, tip, r, QString(tip) == "Confirmation" ? 1 : 0);
  }
  TContor c;
  c.Label1->setText("Creez raportul...");
  ContorMax = 4;
  c.Arata(nullptr);
  c.ContorPos(3);
  c.grab().save(Folder() + "/contor.png");
  c.Distruge(nullptr);
  ContorMax = 0;

  CreeazaFerestrele();
  Form1()->show();
  Form1()->Timer1->stop();
  for (int i = 0; i < 5; ++i) Form1()->Plus_X_Procent(10);
  Form1()->grab().save(Folder() + "/pornire-offscreen.png");
  Form1()->Timer1Timer();
  Form3()->grab().save(Folder() + "/bara-offscreen.png");
  Form3()->SeteazaDeblocare(true);
  Form3()->grab().save(Folder() + "/bara-deblocata-offscreen.png");
  DistrugeFerestrele();
}

}  // namespace
