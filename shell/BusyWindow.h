// A window busy with an operation that writes: until the operation ends, the
// window and its controls take no input (clicks, keys, wheel, shortcuts), and
// a second start of an operation on it returns at once. So a second click on
// a save button, or a key pressed while the statements run and the screen is
// kept painted, never runs the action again over a list already stale.
//
//   void TForm7::ConvexBtn5Click() {
//     BusyWindow busy(this);
//     if (!busy) return;  // already at work
//     ...
//   }
//
// Other windows (the questions and balloons an operation shows) are not
// affected.
#pragma once

#include <QWidget>

class BusyWindow {
 public:
  explicit BusyWindow(QWidget* widget);
  ~BusyWindow();
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

  // False when the window was busy already: this guard holds nothing then.
  explicit operator bool() const { return window_ != nullptr; }
  static bool IsBusy(const QWidget* widget);

 private:
  const QWidget* window_ = nullptr;
};
