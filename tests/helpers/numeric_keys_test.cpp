#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>

#include "shell/Unit1Helpers.h"

namespace {

using namespace Ajutoare;

// A read-only numeric box as the entry windows have them.
struct Box {
  explicit Box(const QString& text, int maxLength = 7) {
    e.setReadOnly(true);
    e.setMaxLength(maxLength);
    e.setText(text);
  }
  QLineEdit e;
};

struct Case {
  const char* name;
  const char* text;
  int caret;
  int selStart, selLength;  // selLength 0: no selection
  std::vector<std::uint16_t> keys;
  const char* expected;
  int expectedCaret;
};

TEST(Lasa_Numar, EditsTheBoxAtTheCaret) {
  const Case cases[] = {
      {"5 replaces the first 0", "0", 1, 0, 0, {'5'}, "5", 1},
      {"then a point, a second is ignored", "0", 1, 0, 0, {'5', 190, 190}, "5.", 2},
      {"keypad digits and keypad point", "0", 1, 0, 0, {97, 98, 110, 105}, "12.9", 4},
      {"digits at the maximum length are ignored", "1234567", 7, 0, 0, {'8'}, "1234567", 7},
      {"a point at the maximum length is ignored", "1234567", 7, 0, 0, {110}, "1234567", 7},
      {"insert in the middle", "125", 2, 0, 0, {'4'}, "1245", 3},
      {"nothing in front of a minus", "-5", 0, 0, 0, {'3'}, "-5", 0},
      {"backspace deletes before the caret", "123", 2, 0, 0, {8}, "13", 1},
      {"backspace at the start does nothing", "123", 0, 0, 0, {8}, "123", 0},
      {"backspace removes only the selection", "12345", 4, 1, 3, {8}, "15", 1},
      {"delete removes after the caret", "123", 1, 0, 0, {46}, "13", 1},
      {"delete at the end does nothing", "123", 3, 0, 0, {46}, "123", 3},
      {"delete removes only the selection", "12345", 1, 1, 2, {46}, "145", 1},
      {"a digit replaces the selection", "12345", 4, 1, 3, {'9'}, "195", 2},
      {"a selection makes room at the maximum", "1234567", 7, 0, 7, {'8'}, "8", 1},
      {"a digit into an emptied box", "", 0, 0, 0, {'7'}, "7", 1},
      {"a point replaces the selected point", "1.5", 3, 1, 1, {110}, "1.5", 2},
      {"other keys do nothing", "12", 2, 0, 0, {'A', 188, 189, 32}, "12", 2},
  };
  for (const auto& c : cases) {
    Box b(c.text);
    b.e.setCursorPosition(c.caret);
    if (c.selLength) b.e.setSelection(c.selStart, c.selLength);
    for (std::uint16_t k : c.keys) Lasa_Numar(&b.e, k);
    EXPECT_EQ(b.e.text(), c.expected) << c.name;
    EXPECT_EQ(b.e.cursorPosition(), c.expectedCaret) << c.name;
  }
}

TEST(Lasa_Numar, HandsBackTheMappedKey) {
  Box b("0");
  const std::pair<std::uint16_t, std::uint16_t> cases[] = {
      {96, 48}, {105, 57}, {190, 110}, {110, 110}, {52, 52}, {8, 8}, {65, 65},
  };
  for (auto [in, out] : cases) {
    std::uint16_t k = in;
    Lasa_Numar(&b.e, k);
    EXPECT_EQ(k, out) << in;
  }
}

TEST(StergeSelectia, OnlyWhenThereIsASelection) {
  Box b("12345");
  b.e.setCursorPosition(2);
  EXPECT_FALSE(StergeSelectia(&b.e));
  EXPECT_EQ(b.e.text(), "12345");
  EXPECT_EQ(b.e.cursorPosition(), 2);
  b.e.setSelection(4, -3);  // selected from right to left: caret at 1
  EXPECT_TRUE(StergeSelectia(&b.e));
  EXPECT_EQ(b.e.text(), "15");
  EXPECT_EQ(b.e.cursorPosition(), 1);
}

TEST(CodTasta, KeyPressesAsWindowsKeyCodes) {
  struct KeyCase {
    int key;
    Qt::KeyboardModifiers mods;
    std::uint16_t code;
  } cases[] = {
      {Qt::Key_5, Qt::NoModifier, 53},           {Qt::Key_5, Qt::KeypadModifier, 101},
      {Qt::Key_0, Qt::KeypadModifier, 96},       {Qt::Key_Period, Qt::NoModifier, 190},
      {Qt::Key_Period, Qt::KeypadModifier, 110}, {Qt::Key_Comma, Qt::KeypadModifier, 110},
      {Qt::Key_Backspace, Qt::NoModifier, 8},    {Qt::Key_Delete, Qt::NoModifier, 46},
      {Qt::Key_A, Qt::ShiftModifier, 65},        {Qt::Key_F10, Qt::NoModifier, 121},
      {Qt::Key_Escape, Qt::NoModifier, 27},      {Qt::Key_Minus, Qt::NoModifier, 189},
  };
  for (const auto& c : cases) {
    const QKeyEvent e(QEvent::KeyPress, c.key, c.mods);
    EXPECT_EQ(CodTasta(&e), c.code) << c.key;
  }
}

TEST(Lasa_Numar, DrivenByRealKeyPresses) {
  // How a window wires it: its key handler turns the press into a key code.
  Box b("0", 9);
  for (auto [key, mods] : {std::pair{Qt::Key_1, Qt::KeypadModifier},
                           {Qt::Key_2, Qt::NoModifier},
                           {Qt::Key_Period, Qt::NoModifier},
                           {Qt::Key_5, Qt::KeypadModifier},
                           {Qt::Key_Backspace, Qt::NoModifier},
                           {Qt::Key_7, Qt::NoModifier}}) {
    const QKeyEvent e(QEvent::KeyPress, key, mods);
    std::uint16_t k = CodTasta(&e);
    Lasa_Numar(&b.e, k);
  }
  EXPECT_EQ(b.e.text(), "12.7");
}

}  // namespace
