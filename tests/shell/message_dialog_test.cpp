// The message dialog driven as the user sees it: kinds, line breaking,
// widths, button places, focus and answers.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "controls/GradientPanel.h"
#include "shell/Erori30.h"
#include "tests/support/Drive.h"

namespace {

enum class Actiune { Enter, Escape, CloseBox, ClickDa, ClickBo };

struct Caz {
  const char* nume;
  QString text;
  QString tip;
  int butoane;
  Actiune actiune;
  // Expected:
  const char* titlu;
  const char* poza;
  QRgb culoare;
  int linii;
  const char* focus;
  const char* raspuns;
};

// What the dialog looked like while it was open.
struct Vazut {
  int latime = 0, inaltime = 0;
  QStringList vizibile;  // visible labels named Label<n>, in order
  int latimeMaxima = 0;  // of the visible labels
  QStringList butoane;   // visible buttons
  QMap<QString, QPoint> pozitii;
  QString focus;
  QStringList poze;
  QColor sus;
};

Vazut Observa(QWidget* d) {
  Vazut v;
  v.latime = d->width();
  v.inaltime = d->height();
  for (int i = 1; i <= 10; ++i) {
    auto* l = d->findChild<QLabel*>(QString("Label%1").arg(i));
    if (l && l->isVisible()) {
      v.vizibile << l->objectName();
      v.latimeMaxima = std::max(v.latimeMaxima, l->width());
      EXPECT_EQ(l->pos(), QPoint(72, 8 + 16 * (i - 1))) << l->objectName().toStdString();
    }
  }
  for (const char* b : {"Da", "Nu", "Bo", "Br"}) {
    auto* w = d->findChild<QPushButton*>(b);
    if (w->isVisible()) {
      v.butoane << b;
      v.pozitii[b] = w->pos();
      EXPECT_EQ(w->size(), QSize(90, 25));
    }
  }
  if (QWidget* f = d->focusWidget()) v.focus = f->objectName();
  for (const char* p : {"I1", "I2", "I3", "I4"}) {
    auto* w = d->findChild<QLabel*>(p);
    if (w->isVisible()) {
      v.poze << p;
      EXPECT_EQ(w->geometry(), QRect(8, 8, 54, 54));
    }
  }
  v.sus = d->findChild<TGradientPanel*>("GradientPanel1")->CuloareSus();
  return v;
}

// Wider than the hidden box, narrower than two of it.
const QString kLung =
    "Aceasta propozitie este destul de lunga ca sa treaca de marginea casutei ascunse.";

class MesajTest : public ::testing::TestWithParam<Caz> {};

TEST_P(MesajTest, ShowsAndAnswers) {
  const Caz& c = GetParam();
  TForm30 dlg;
  Vazut v;
  QString titlu;
  drive::onNextModal([&](QWidget* d) {
    QTest::qWait(10);
    v = Observa(d);
    titlu = d->windowTitle();
    QWidget* focus = d->focusWidget() ? d->focusWidget() : d;
    switch (c.actiune) {
      case Actiune::Enter:
        QTest::keyClick(focus, Qt::Key_Return);
        break;
      case Actiune::Escape:
        QTest::keyClick(focus, Qt::Key_Escape);
        break;
      case Actiune::CloseBox:
        d->close();
        break;
      case Actiune::ClickDa:
        QTest::mouseClick(d->findChild<QPushButton*>("Da"), Qt::LeftButton);
        break;
      case Actiune::ClickBo:
        QTest::mouseClick(d->findChild<QPushButton*>("Bo"), Qt::LeftButton);
        break;
    }
  });
  QString raspuns = "nimic";
  dlg.Mesaj(c.text, c.tip, raspuns, c.butoane);

  EXPECT_EQ(raspuns, c.raspuns);
  EXPECT_EQ(dlg.RaspunsMesaj, c.raspuns);
  EXPECT_EQ(titlu, c.titlu);
  EXPECT_EQ(v.poze, QStringList{c.poza});
  EXPECT_EQ(v.sus, QColor(c.culoare));
  EXPECT_EQ(v.vizibile.size(), c.linii);
  EXPECT_EQ(v.inaltime, 126 + 16 * std::max(0, c.linii - 4));
  // The width rule: 220 + 40, or the widest line + 100 when that is more.
  EXPECT_EQ(v.latime, std::max(260, v.latimeMaxima + 100));
  const int y = 88 + 16 * std::max(0, c.linii - 4);
  const int g = (v.latime - 180) / 3;
  if (c.butoane == 0) {
    EXPECT_EQ(v.butoane, QStringList{"Bo"});
    EXPECT_EQ(v.pozitii["Bo"], QPoint((v.latime - 90) / 2, y));
  } else {
    const QString st = c.butoane == 1 ? "Da" : "Bo";
    const QString dr = c.butoane == 1 ? "Nu" : "Br";
    EXPECT_EQ(v.butoane, (QStringList{st, dr}));
    EXPECT_EQ(v.pozitii[st], QPoint(g, y));
    EXPECT_EQ(v.pozitii[dr], QPoint(2 * g + 90, y));
  }
  EXPECT_EQ(v.focus, c.focus);
}

const QString kSase = "unu\r\ndoi\r\ntrei\r\npatru\r\ncinci\r\nsase";

INSTANTIATE_TEST_SUITE_P(
    Cases, MesajTest,
    ::testing::Values(Caz{"ShortOk", "Salut", "Information", 0, Actiune::Enter, "INFORMARE", "I4",
                          0x00009D, 1, "Bo", "OK"},
                      Caz{"TwoLinesEscape", "Linia unu\r\nLinia doi", "Warning", 1, Actiune::Escape,
                          "ATENTIONARE !", "I2", 0xC57B0E, 2, "Nu", "RENUNT"},
                      Caz{"LowerCaseKind", "Gata.", "information", 0, Actiune::ClickBo, "INFORMARE",
                          "I4", 0x00009D, 1, "Bo", "OK"},
                      Caz{"UpperCaseKindSet2Enter", "Stergeti?", "ERROR", 2, Actiune::Enter,
                          "DEFECTIUNE !", "I1", 0xE10000, 1, "Br", "RENUNT"},
                      Caz{"Set1EnterAnswersNu", "Vreti sa inchideti programul?", "Confirmation", 1,
                          Actiune::Enter, "CONFIRMARE", "I3", 0x7D007D, 1, "Nu", "NU"},
                      Caz{"Set1Da", "Vreti sa inchideti programul?", "Confirmation", 1,
                          Actiune::ClickDa, "CONFIRMARE", "I3", 0x7D007D, 1, "Nu", "DA"},
                      Caz{"CloseBoxAnswersRenunt", "Salut", "Warning", 0, Actiune::CloseBox,
                          "ATENTIONARE !", "I2", 0xC57B0E, 1, "Bo", "RENUNT"},
                      Caz{"LoneCrBreaksLine",
                          "Problema de Windows!\rRestartati calculatorul si reincercati !", "Error",
                          0, Actiune::Enter, "DEFECTIUNE !", "I1", 0xE10000, 2, "Bo", "OK"},
                      Caz{"WordWrapAt385", kLung, "Information", 0, Actiune::Enter, "INFORMARE",
                          "I4", 0x00009D, 2, "Bo", "OK"},
                      Caz{"SixLinesGrowTaller", kSase, "Warning", 1, Actiune::ClickDa,
                          "ATENTIONARE !", "I2", 0xC57B0E, 6, "Nu", "DA"}),
    [](const auto& info) { return std::string(info.param.nume); });

TEST(Mesaj, LongLineWidensTheWindow) {
  TForm30 dlg;
  const QString text = "Nu ati scris parola noua la fel in cele doua casute !";
  int latime = 0, eticheta = 0;
  QPoint ok;
  drive::onNextModal([&](QWidget* d) {
    latime = d->width();
    eticheta = d->findChild<QLabel*>("Label1")->width();
    ok = d->findChild<QPushButton*>("Bo")->pos();
    QTest::keyClick(d->focusWidget(), Qt::Key_Return);
  });
  QString r;
  dlg.Mesaj(text, "Error", r, 0);
  ASSERT_GT(eticheta, 160);
  EXPECT_EQ(latime, eticheta + 100);
  EXPECT_EQ(ok, QPoint((latime - 90) / 2, 88));
}

TEST(Mesaj, BreaksLinesAsTheHiddenBoxShowsThem) {
  TForm30 dlg;
  // Blanks typed at the start of a line are kept; the text box's own
  // trailing line break does not make an empty line.
  EXPECT_EQ(dlg.RupeInLinii("        ATENTIE!\r\nNu aveti nici o parola!\r\n"),
            (QStringList{"        ATENTIE!", "Nu aveti nici o parola!"}));
  EXPECT_EQ(dlg.RupeInLinii(""), QStringList{});
  EXPECT_EQ(dlg.RupeInLinii("a\r\n\r\nb"), (QStringList{"a", "", "b"}));
  const QStringList rupt = dlg.RupeInLinii(kLung);
  ASSERT_EQ(rupt.size(), 2);
  EXPECT_EQ(rupt.join(' '), kLung);
  // A word longer than the box is broken where it must be.
  const QStringList cuvant = dlg.RupeInLinii(QString(120, 'W'));
  EXPECT_GE(cuvant.size(), 2);
  EXPECT_EQ(cuvant.join(""), QString(120, 'W'));
}

}  // namespace
