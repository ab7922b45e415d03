// A label with a raised look: its text drawn over a shadow one pixel down
// and to the right.
#pragma once

#include <QColor>
#include <QLabel>

class TRaisedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TRaisedLabel(QWidget* parent = nullptr);

  void SeteazaCulori(QColor text, QColor umbra);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor text_ = Qt::black;
  QColor umbra_ = Qt::white;
};
