#include "controls/NumarF.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <cmath>

#include "shell/Formats.h"

namespace {

constexpr QChar kBackspace(0x08);

// Key combinations that edit the text without typing a character; the field
// refuses them like any other non-numeric key.
bool EsteComandaDeEditare(QKeyEvent* e) {
  for (QKeySequence::StandardKey k :
       {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
        QKeySequence::Redo, QKeySequence::SelectAll, QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteEndOfWord, QKeySequence::DeleteCompleteLine}) {
    if (e->matches(k)) return true;
  }
  return false;
}

}  // namespace

TNumericF::TNumericF(QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setMaxLength(10);
  setText("0");
}

double TNumericF::ValoareNumerica() const {
  const QChar s = Formats::DecimalSeparator();
  QString t = text();
  if (t.startsWith(s)) {
    t.prepend('0');
  } else if (t.startsWith('-') && t.size() > 1 && t[1] == s) {
    t.insert(1, '0');
  }
  if (s != '.') t.replace(s, '.');
  bool ok = false;
  const double v = t.toDouble(&ok);
  return ok && std::isfinite(v) ? v : 0.0;
}

bool TNumericF::TextAcceptat(const QString& text) const {
  if (text.isEmpty()) return true;
  QString t = text;
  if (t.startsWith('-')) t.remove(0, 1);
  if (t.startsWith("00")) return false;
  if (MaskInt == 0 && MaskZec == 0) return true;
  const int intregi = std::abs(MaskInt);
  const int p = static_cast<int>(t.indexOf(Formats::DecimalSeparator())) + 1;
  if (p == 0) return t.size() <= intregi;
  return p <= intregi + 1 && t.size() - p <= MaskZec;
}

void TNumericF::Refuza() {
  QApplication::beep();
  emit Refuzat();
}

bool TNumericF::Filtreaza(QChar k) {
  const QChar s = Formats::DecimalSeparator();
  const bool cifra = k >= '0' && k <= '9';
  if (!cifra && k != '-' && k != s && k != kBackspace) {
    Refuza();
    return false;
  }
  if (hasSelectedText()) {
    del();
    // Erasing the selection is all a Backspace does then.
    if (k == kBackspace) return false;
  }
  const QString t = text();
  const int c = cursorPosition();
  if (k == s && MaskZec == 0) {
    Refuza();
    return false;
  }
  if ((k == s || k == '-') && t.contains(k)) {
    Refuza();
    return false;
  }
  if (k == '-' && MaskInt > 0) {
    Refuza();
    return false;
  }
  if (k == '-' && c != 0) {
    if (c == 1 && t.startsWith('0')) {
      setText("-");
      setCursorPosition(1);
      return false;
    }
    Refuza();
    return false;
  }
  if (t == "0" && (k == '-' || cifra)) {
    // A lone 0 is overwritten by the first digit typed.
    setText(QString(k));
    setCursorPosition(1);
    return false;
  }
  if (c == 0 && t.contains('-')) {
    Refuza();
    return false;
  }
  if (k == '0' && c < t.size() && c < 2 && !t.left(c).contains(s) && t[c] >= '1' && t[c] <= '9') {
    // No zero before the first significant digit.
    if (c == 0 || (c == 1 && t.startsWith('-'))) {
      Refuza();
      return false;
    }
  }
  if (cifra && !TextAcceptat(QString(t).insert(c, k))) {
    Refuza();
    return false;
  }
  if (k == kBackspace) {
    if (c > 0) {
      QString rest = QString(t).remove(c - 1, 1);
      if (rest.startsWith('-')) rest.remove(0, 1);
      if (!TextAcceptat(rest)) {
        Refuza();
        return false;
      }
    }
    if (t.size() == 1 && c == 1) {
      // Erasing the last character leaves 0.
      setText("0");
      setCursorPosition(1);
      Refuza();
      return false;
    }
  }
  return true;
}

void TNumericF::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    // Escape belongs to the window.
    event->ignore();
    return;
  }
  QChar k;
  if (event->key() == Qt::Key_Backspace) {
    k = kBackspace;
  } else if (!event->text().isEmpty()) {
    k = event->text().at(0);
  } else if (EsteComandaDeEditare(event)) {
    k = QChar(0x16);  // stands for any control character
  } else {
    // Arrows, Home, End and the like move the caret as in any text box.
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    if (k != kBackspace) k = QChar(0x16);
  }
  Tasteaza(k);
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // Refused as a character, but the window may still act on Enter.
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
}

void TNumericF::Tasteaza(QChar k) {
  if (OnKeyPress) {
    OnKeyPress(k);
    if (k.isNull()) return;
  }
  if (!Filtreaza(k)) return;
  if (k == kBackspace) {
    backspace();
  } else {
    insert(QString(k));
  }
}

void TNumericF::inputMethodEvent(QInputMethodEvent* event) {
  // Text composed by an input method is typed too: each character goes
  // through the filter, and nothing half-composed is shown.
  const QString text = event->commitString();
  event->accept();
  for (QChar k : text) Tasteaza(k);
}

void TNumericF::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  selectAll();
}
