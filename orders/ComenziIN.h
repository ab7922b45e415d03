// Order header entry dialog.
#pragma once

#include <QDialog>

class TForm40 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm40(QWidget* parent = nullptr);
};
