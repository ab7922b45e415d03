// Reports window: goods received, orders, receipts and the period's totals.
#pragma once

#include <QDialog>

class TForm9 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm9(QWidget* parent = nullptr);

  // Builds the report tables and shows the window modally; returns when it closes.
  void ArataRaport();
};
