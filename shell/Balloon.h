// A balloon hint: a small borderless pop-up with an icon, a bold title and a
// text, whose arrow points at a spot inside a control. It never takes the
// focus, never waits and hides itself after a while, when clicked, or when
// the window of its control closes.
#pragma once

#include <QIcon>
#include <QPainterPath>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

class QTimer;

class Balloon : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPreferredWidth = 300;  // its width; the text wraps within it
  static constexpr int kHideAfterMs = 3000;

  explicit Balloon(QWidget* parent = nullptr);

  // Shows the balloon with its arrow at `spot` inside `control` (in the
  // control's coordinates), replacing whatever it showed before, and starts
  // the hide delay again. Returns at once.
  void ShowAt(QWidget* control, const QIcon& icon, const QString& title, const QString& text,
              QPoint spot = QPoint(10, 10));

  const QString& Title() const { return title_; }
  const QString& Text() const { return text_; }
  QWidget* Control() const { return control_; }
  // The screen point the arrow touches.
  QPoint ArrowTip() const { return mapToGlobal(tip_); }
  QTimer* HideTimer() const { return hideTimer_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void Layout(QPoint globalTip);

  QIcon icon_;
  QString title_;
  QString text_;
  QPointer<QWidget> control_;
  QPointer<QWidget> window_;  // the control's window, watched for its closing
  QTimer* hideTimer_;
  // Set by Layout, in the balloon's own coordinates.
  QRect body_;
  QRect iconRect_;
  QRect titleRect_;
  QRect textRect_;
  QPoint tip_;
  QPainterPath shape_;
  bool arrowAbove_ = true;  // the arrow leaves the body's top edge
};
