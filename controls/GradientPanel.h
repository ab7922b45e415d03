// A panel filled with a vertical gradient of flat bands (64 unless told
// otherwise), the background of most of the program's windows.
#pragma once

#include <QColor>
#include <QWidget>

class TGradientPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TGradientPanel(QWidget* parent = nullptr);

  void SeteazaCulori(QColor sus, QColor jos, int pasi = 64);
  QColor CuloareSus() const { return sus_; }
  QColor CuloareJos() const { return jos_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor sus_ = Qt::white;
  QColor jos_ = Qt::black;
  int pasi_ = 64;
};
