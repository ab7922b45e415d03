// Order line entry dialog.
#pragma once

#include <QDialog>

class TForm41 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm41(QWidget* parent = nullptr);
};
