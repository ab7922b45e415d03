// Client entry dialog.
#pragma once

#include <QDialog>

class TForm39 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm39(QWidget* parent = nullptr);
};
