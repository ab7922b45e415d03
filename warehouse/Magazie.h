// Warehouse window: the stock list with its filters and total value.
#pragma once

#include <QDialog>

class TForm6 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm6(QWidget* parent = nullptr);

  // Shows the warehouse modally; returns when it closes.
  void ArataMagazie();
};
