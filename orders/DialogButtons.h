// The two buttons every entry dialog closes with: "MEMOREAZA", the default
// button that Enter presses, and "RENUNT".
#pragma once

class QHBoxLayout;
class QPushButton;
class QWidget;

QPushButton* SaveButton(QWidget* dialog);    // BitBtn1
QPushButton* CancelButton(QWidget* dialog);  // BitBtn2
// The two side by side, to the right.
QHBoxLayout* ButtonRow(QPushButton* save, QPushButton* cancel);
