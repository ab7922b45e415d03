// The numeric entry field driven through real key events: what each key
// does to the text and the caret, and whether the field beeps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

#include "controls/NumarF.h"
#include "tests/support/Drive.h"

namespace {

struct Caz {
  const char* nume;
  int maskInt, maskZec;
  QString start;  // starting text
  int caret;      // starting caret; -1 = at the end
  QString taste;  // keys typed: characters, 'B' = Backspace, 'D' = Delete, 'L' = Left
  QString rezultat;
  double valoare;
  int beeps;  // keys refused
};

void Tasteaza(TNumericF& f, const QString& taste) {
  for (QChar k : taste) {
    if (k == 'B') {
      QTest::keyClick(&f, Qt::Key_Backspace);
    } else if (k == 'D') {
      QTest::keyClick(&f, Qt::Key_Delete);
    } else if (k == 'L') {
      QTest::keyClick(&f, Qt::Key_Left);
    } else if (k == 'H') {
      QTest::keyClick(&f, Qt::Key_Home);
    } else {
      QTest::keyClicks(&f, QString(k));
    }
  }
}

class NumericFieldKeys : public ::testing::TestWithParam<Caz> {};

TEST_P(NumericFieldKeys, FiltersEveryKey) {
  const Caz& c = GetParam();
  TNumericF f;
  f.MaskInt = c.maskInt;
  f.MaskZec = c.maskZec;
  f.setMaxLength(9);
  f.setText(c.start);
  f.setCursorPosition(c.caret < 0 ? static_cast<int>(c.start.size()) : c.caret);
  QSignalSpy refuzate(&f, &TNumericF::Refuzat);
  Tasteaza(f, c.taste);
  EXPECT_EQ(refuzate.count(), c.beeps);
  EXPECT_EQ(f.text(), c.rezultat);
  EXPECT_DOUBLE_EQ(f.ValoareNumerica(), c.valoare);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumericFieldKeys,
    ::testing::Values(
        // MaskInt 5, MaskZec 3, as the quantity field.
        Caz{"SixthIntegerDigitRefused", 5, 3, "0", -1, "123456", "12345", 12345, 1},
        Caz{"FourthDecimalRefused", 5, 3, "0", -1, "1.2345", "1.234", 1.234, 1},
        Caz{"SeparatorAfterZero", 5, 3, "0", -1, ".5", "0.5", 0.5, 0},
        Caz{"MinusRefusedWhenMaskIntPositive", 5, 3, "0", -1, "-", "0", 0, 1},
        Caz{"ZeroOverLoneZero", 5, 3, "0", -1, "0", "0", 0, 0},
        Caz{"DigitReplacesLoneZero", 5, 3, "0", -1, "7", "7", 7, 0},
        Caz{"NoZeroBeforeSignificantDigit", 5, 3, "5", 0, "0", "5", 5, 1},
        Caz{"ZeroBeforeSeparator", 5, 3, ".5", 0, "0", "0.5", 0.5, 0},
        Caz{"BackspaceRefusedWhenLeadingZerosRemain", 5, 3, "100", 1, "B", "100", 100, 1},
        Caz{"BackspaceOnLastCharLeavesZero", 5, 3, "7", -1, "B", "0", 0, 1},
        Caz{"BackspaceLeavesSeparatorFirst", 5, 3, "1.5", 1, "B", ".5", 0.5, 0},
        Caz{"SecondSeparatorRefused", 5, 3, "1.5", -1, ".", "1.5", 1.5, 1},
        Caz{"LettersAndSpacesRefused", 5, 3, "12", -1, "a ,e+", "12", 12, 5},
        Caz{"DeleteIgnored", 5, 3, "123", 0, "D", "123", 123, 0},
        Caz{"ArrowsMoveTheCaret", 5, 3, "123", -1, "LL9", "1923", 1923, 0},
        Caz{"SeparatorNotCountedAgainstDigits", 5, 3, "12345", -1, ".1", "12345.1", 12345.1, 0},
        Caz{"DigitBeforeSeparatorCounted", 5, 3, "12345.1", 0, "9", "12345.1", 12345.1, 1},
        Caz{"LengthLimitHolds", 5, 3, "12345.12", -1, "3", "12345.123", 12345.123, 0},
        Caz{"ZeroMasksNoLimitOnDigits", 0, 0, "0", -1, "12345678", "12345678", 12345678, 0},
        Caz{"ZeroZecForbidsSeparator", 4, 0, "12", -1, ".", "12", 12, 1},
        Caz{"NoIntegerDigitsWhenMaskIntZero", 0, 2, "", 0, "5", "", 0, 1},
        Caz{"OnlyDecimalsWhenMaskIntZero", 0, 2, "", 0, ".25", ".25", 0.25, 0},
        // MaskInt -3, MaskZec 2: a signed field.
        Caz{"MinusAtStart", -3, 2, "12", 0, "-", "-12", -12, 0},
        Caz{"SecondMinusRefused", -3, 2, "-12", -1, "-", "-12", -12, 1},
        Caz{"NothingBeforeTheMinus", -3, 2, "-12", 0, "5-.", "-12", -12, 3},
        Caz{"MinusAfterZeroEmptiesTheText", -3, 2, "0", -1, "-", "-", 0, 0},
        Caz{"FourthDigitAfterMinusRefused", -3, 2, "0", -1, "-4567", "-456", -456, 1},
        Caz{"MinusAfterZeroWithDecimals", -3, 2, "0.5", 1, "-", "-", 0, 0},
        Caz{"MinusInsideRefused", -3, 2, "12", 1, "-", "12", 12, 1},
        Caz{"NoZeroBeforeDigitAfterMinus", -3, 2, "-5", 1, "0", "-5", -5, 1},
        Caz{"SeparatorAfterMinus", -3, 2, "-", -1, ".5", "-.5", -0.5, 0}),
    [](const auto& info) { return std::string(info.param.nume); });

TEST(NumericField, StartsAsZeroRightAligned) {
  TNumericF f;
  EXPECT_EQ(f.text(), "0");
  EXPECT_EQ(f.MaskInt, 0);
  EXPECT_EQ(f.MaskZec, 0);
  EXPECT_EQ(f.maxLength(), 10);
  EXPECT_TRUE(f.alignment() & Qt::AlignRight);
}

TEST(NumericField, ReadsItsTextAsANumber) {
  TNumericF f;
  const std::pair<const char*, double> cazuri[] = {
      {"", 0},     {"-", 0},           {".25", 0.25}, {"-.5", -0.5},
      {"12.", 12}, {"abc", 0},         {"1,5", 0},    {"nan", 0},
      {"inf", 0},  {"-12.75", -12.75}, {"0", 0},      {"12345.123", 12345.123}};
  for (const auto& [text, v] : cazuri) {
    f.setText(text);
    EXPECT_DOUBLE_EQ(f.ValoareNumerica(), v) << text;
  }
}

TEST(NumericField, TextAcceptatFollowsTheMasks) {
  TNumericF f;
  f.MaskInt = 5;
  f.MaskZec = 3;
  const std::pair<const char*, bool> cazuri[] = {
      {"", true},          {"12345", true}, {"123456", false}, {"1.234", true},
      {"1.2345", false},   {"00", false},   {"-00", false},    {"12345.123", true},
      {"123456.1", false}, {".123", true},  {"0.5", true},     {"-12", true}};
  for (const auto& [text, ok] : cazuri) EXPECT_EQ(f.TextAcceptat(text), ok) << text;
}

TEST(NumericField, TypingReplacesTheTextSelectedOnEntry) {
  QWidget w;
  auto* f = new TNumericF(&w);
  f->setObjectName("CantX");
  f->MaskInt = 5;
  f->MaskZec = 3;
  f->setMaxLength(9);
  f->setText("12.5");
  drive::typeInto(&w, "CantX", "7");
  EXPECT_EQ(f->text(), "7");
}

TEST(NumericField, FocusSelectsAllText) {
  QWidget w;
  auto* a = new TNumericF(&w);
  auto* b = new TNumericF(&w);
  b->move(0, 40);
  b->setText("345.5");
  w.show();
  drive::activate(&w);
  a->setFocus();
  QTest::keyClick(a, Qt::Key_Tab);
  EXPECT_TRUE(b->hasFocus());
  EXPECT_EQ(b->selectedText(), "345.5");
}

TEST(NumericField, RefusedSelectionStillErased) {
  // A separator refused for a whole-number field still takes the selection away.
  TNumericF f;
  f.MaskInt = 4;
  f.setText("123");
  f.selectAll();
  QTest::keyClicks(&f, ".");
  EXPECT_EQ(f.text(), "");
  // A Backspace over a selection erases only the selection.
  f.setText("1234");
  f.setSelection(1, 2);
  QTest::keyClick(&f, Qt::Key_Backspace);
  EXPECT_EQ(f.text(), "14");
}

TEST(NumericField, ClipboardKeysRefused) {
  TNumericF f;
  f.setText("12");
  QApplication::clipboard();
  for (auto seq : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo}) {
    const QKeySequence k(seq);
    QTest::keySequence(&f, k);
    EXPECT_EQ(f.text(), "12") << k.toString().toStdString();
  }
}

TEST(NumericField, OwnKeyPressRunsFirst) {
  TNumericF f;
  f.MaskInt = 5;
  f.MaskZec = 2;
  f.setText("1");
  // A decimal comma typed by habit becomes the separator.
  f.OnKeyPress = [](QChar& k) {
    if (k == ',') k = '.';
  };
  QTest::keyClicks(&f, ",5");
  EXPECT_EQ(f.text(), "1.5");
  f.OnKeyPress = [](QChar& k) { k = QChar(); };
  QTest::keyClicks(&f, "9");
  EXPECT_EQ(f.text(), "1.5");
}

}  // namespace

namespace {

TEST(NumericField, ComposedInputGoesThroughTheFilter) {
  TNumericF f;
  f.MaskInt = 3;
  f.MaskZec = 1;
  QInputMethodEvent e;
  e.setCommitString("1a2-.55");
  QApplication::sendEvent(&f, &e);
  EXPECT_EQ(f.text(), "12.5");
}

}  // namespace
