#include "controls/ConvexButton.h"

#include <QPushButton>

QPushButton* ConvexButton(QWidget* parent, const char* name, const QString& caption,
                          const QString& hint) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  if (!hint.isEmpty()) b->setToolTip(hint);
  b->setMinimumHeight(34);
  b->setAutoDefault(false);
  b->setStyleSheet(
      "QPushButton { border: 1px solid #4A5F8F; border-radius: 4px; font-weight: bold;"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:0.5 #D6E0F5,"
      " stop:1 #9DB1DD); }"
      "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
      " stop:0 #9DB1DD, stop:1 #FFFFFF); }"
      "QPushButton:disabled { color: #8A8A8A; }"
      "QPushButton:focus { border: 2px solid #15347D; }");
  return b;
}
