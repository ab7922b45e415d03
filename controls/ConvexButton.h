// The list windows' buttons: a raised face with a soft gradient, bold
// caption, a hint, and a focus frame.
#pragma once

#include <QString>

class QPushButton;
class QWidget;

QPushButton* ConvexButton(QWidget* parent, const char* name, const QString& caption,
                          const QString& hint = {});
