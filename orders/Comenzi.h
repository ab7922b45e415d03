// Orders window: clients, their orders and the orders' lines.
#pragma once

#include <QDialog>

class TForm7 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm7(QWidget* parent = nullptr);

  // Shows the orders window modally; returns when it closes.
  void ArataComenzi();
};
