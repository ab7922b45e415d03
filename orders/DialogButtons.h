// What every entry dialog is built from: bold captions beside their fields,
// and "MEMOREAZA" (the default button, which Enter presses) with "RENUNT"
// under them.
#pragma once

#include <QString>
#include <initializer_list>
#include <vector>

class QGridLayout;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

QPushButton* SaveButton(QWidget* dialog);    // BitBtn1
QPushButton* CancelButton(QWidget* dialog);  // BitBtn2
// The two side by side, to the right.
QHBoxLayout* ButtonRow(QPushButton* save, QPushButton* cancel);

struct EntryRow {
  const char* name;  // the caption's objectName
  QString caption;
  QWidget* field;
};
// One row per field, its bold caption on the left (at the top for a field
// taller than a line).
QGridLayout* EntryRows(QWidget* dialog, const std::vector<EntryRow>& rows);
// The two buttons under the fields; Tab goes through `fields` in order and
// then the buttons.
void AddSaveCancel(QWidget* dialog, QVBoxLayout* root, QPushButton** save, QPushButton** cancel,
                   std::initializer_list<QWidget*> fields);
