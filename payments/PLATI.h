// Payments window: receipts against an order and the balance left.
#pragma once

#include <QDialog>

class TForm42 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm42(QWidget* parent = nullptr);
};
