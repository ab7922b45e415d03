// Stock item entry dialog.
#pragma once

#include <QDialog>

class TForm38 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm38(QWidget* parent = nullptr);
};
