// Backup and restore of the Data folder into one compressed archive.
#pragma once

#include <QDialog>

class TForm21 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm21(QWidget* parent = nullptr);
};
