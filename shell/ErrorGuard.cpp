#include "shell/ErrorGuard.h"

#include <QPalette>
#include <QToolTip>

void TAplicatie::Pregateste() {
  setApplicationName(TitluProgram);
  setQuitOnLastWindowClosed(false);
  QPalette hint = QToolTip::palette();
  hint.setColor(QPalette::ToolTipBase, Qt::white);
  hint.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(hint);
  tineHint_ = true;
}
