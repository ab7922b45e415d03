// Boxes for amounts that only the numeric key handler edits: digits, one
// decimal point, Backspace and Delete go through Lasa_Numar; keys that move
// the caret or the focus reach the box; anything else does nothing, and
// pasting, dropping and input methods are off.
#pragma once

class QKeyEvent;
class QLineEdit;
class QWidget;

// A right-aligned box starting at "0", at most `length` characters.
QLineEdit* NumberBox(QWidget* parent, const char* name, int length);
// The key handler such a box's window runs before the box sees the key;
// true when the key was used or swallowed.
bool NumberBoxKey(QLineEdit* box, QKeyEvent* event);
