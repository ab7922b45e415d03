#include "shell/BusyWindow.h"

#include <QApplication>
#include <QEvent>
#include <QList>

namespace {

// Swallows the user's input to busy windows; installed on the application
// while at least one window is busy.
class InputGate : public QObject {
 public:
  QList<const QWidget*> busy;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsInput(event->type()) || !watched->isWidgetType()) return false;
    const QWidget* w = static_cast<QWidget*>(watched)->window();
    return busy.contains(w);
  }

 private:
  static bool IsInput(QEvent::Type t) {
    switch (t) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::InputMethod:
        return true;
      default:
        return false;
    }
  }
};

InputGate& Gate() {
  static InputGate* gate = new InputGate;
  return *gate;
}

}  // namespace

BusyWindow::BusyWindow(QWidget* widget) {
  QWidget* w = widget != nullptr ? widget->window() : nullptr;
  if (w == nullptr || IsBusy(w)) return;
  window_ = w;
  if (Gate().busy.isEmpty() && qApp != nullptr) qApp->installEventFilter(&Gate());
  Gate().busy.append(w);
}

BusyWindow::~BusyWindow() {
  if (!window_) return;
  Gate().busy.removeOne(window_);
  if (Gate().busy.isEmpty() && qApp != nullptr) qApp->removeEventFilter(&Gate());
}

bool BusyWindow::IsBusy(const QWidget* widget) {
  return widget != nullptr && Gate().busy.contains(widget->window());
}
