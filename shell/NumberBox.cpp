#include "shell/NumberBox.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "shell/Forms.h"
#include "shell/Unit1.h"
#include "shell/Unit1Helpers.h"

namespace {

// Keys that move the caret or the focus, or copy, and so reach the box itself.
bool CheieDeNavigare(const QKeyEvent* k) {
  switch (k->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
      return true;
    default:
      return k->matches(QKeySequence::Copy) || k->matches(QKeySequence::SelectAll);
  }
}

}  // namespace

QLineEdit* NumberBox(QWidget* parent, const char* name, int length) {
  auto* e = new QLineEdit("0", parent);
  e->setObjectName(name);
  e->setMaxLength(length);
  e->setAlignment(Qt::AlignRight);
  // Only the key handler edits the text: no pasting, dropping or input methods.
  e->setContextMenuPolicy(Qt::NoContextMenu);
  e->setAcceptDrops(false);
  e->setAttribute(Qt::WA_InputMethodEnabled, false);
  return e;
}

bool NumberBoxKey(QLineEdit* box, QKeyEvent* event) {
  std::uint16_t key = Ajutoare::CodTasta(event);
  const bool numeric = key == Ajutoare::Tasta::kBackspace || key == Ajutoare::Tasta::kDelete ||
                       (key >= Ajutoare::Tasta::k0 && key <= Ajutoare::Tasta::k9) ||
                       (key >= Ajutoare::Tasta::kNumpad0 && key <= Ajutoare::Tasta::kNumpad9) ||
                       key == Ajutoare::Tasta::kZecimal || key == Ajutoare::Tasta::kPunct;
  if (numeric) {
    Form1()->Lasa_Numar(box, key, event->modifiers());
    return true;
  }
  // Any other key that would change the text does nothing.
  return !CheieDeNavigare(event);
}
