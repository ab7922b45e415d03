// Holder of the three printed documents: inventory, work list, estimate.
#pragma once

#include <QDialog>

class TQRListForm : public QDialog {
  Q_OBJECT

 public:
  explicit TQRListForm(QWidget* parent = nullptr);
};
