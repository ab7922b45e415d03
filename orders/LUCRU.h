// Work-in-progress window: goods lines of orders not yet delivered.
#pragma once

#include <QDialog>

class TForm8 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm8(QWidget* parent = nullptr);

  // Builds the work list and shows the window modally; returns when it closes.
  void ArataLucru();
};
