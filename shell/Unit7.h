// The progress counter: a borderless box with a task text, a percent figure
// and a bar, shown over a window that is disabled meanwhile.
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

// The position that stands for 100 percent; callers set it before the first
// ContorPos. 0 means the counter shows nothing.
extern int ContorMax;

class TContor : public QWidget {
  Q_OBJECT

 public:
  explicit TContor(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;  // task text, set by the caller before Arata
  QLabel* Label2 = nullptr;  // percent figure
  QImage Image1;             // the bar's 2 x 18 pattern

  // Disables f, gives it the hourglass and shows the counter over it.
  void Arata(QWidget* f);
  // Hides the counter and gives f back: enabled, normal cursor, focused.
  void Distruge(QWidget* f);
  // Shows position p of ContorMax as a percent and a bar; ignored while
  // ContorMax is 0 or when p is above it. The bar never shrinks.
  void ContorPos(int p);
  // Width in pixels of the bar drawn so far.
  int LatimeBara() const { return latimeBara_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int latimeBara_ = 0;
};
