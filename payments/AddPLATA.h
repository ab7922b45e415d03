// Receipt entry dialog.
#pragma once

#include <QDialog>

class TForm43 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm43(QWidget* parent = nullptr);
};
