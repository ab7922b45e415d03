// Driving windows from tests as a person would: find controls by their
// names, type into them, click them, and answer the modal dialogs they open.
//
//   auto seen = pressInNextModal("Da");   // arm first: exec() blocks
//   clickOn(Form3(), "ToolButton1");      // opens the question, answered DA
//   EXPECT_EQ(seen->text, "Vreti sa inchideti programul?");
//
// A handler is armed before the call that opens the dialog. It fires inside
// the dialog's own event loop, on the first visible modal window that is not
// the one already open when it was armed (so handlers nest: arm the inner one
// inside the outer's action). When no dialog shows within the timeout the
// test fails and whatever modal window is open is closed, so a test never
// hangs. For two dialogs in a row, arm the second from the first's action
// after answering it.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

namespace drive {

// What a handler saw of the dialog it answered.
struct SeenDialog {
  bool seen = false;
  QString objectName;  // "Form30", "EroareAplicatie", ...
  QString title;       // window title
  // The visible labels' texts top to bottom, one per line (for a message box
  // its text); the message dialog's lines thus come back joined by "\n".
  QString text;
};

// Calls act(dialog) on the next modal dialog.
std::shared_ptr<SeenDialog> onNextModal(std::function<void(QWidget*)> act, int timeoutMs = 5000);
// Clicks the button named `button` (objectName, or else its caption) of the next modal dialog.
std::shared_ptr<SeenDialog> pressInNextModal(const QString& button, int timeoutMs = 5000);
// Presses ESC in the next modal dialog.
std::shared_ptr<SeenDialog> escapeNextModal(int timeoutMs = 5000);

// The child of `root` named `name` (objectName); fails the test when there is none.
template <class T = QWidget>
T* child(QWidget* root, const QString& name) {
  T* w = root ? root->findChild<T*>(name) : nullptr;
  if (!w) ADD_FAILURE() << "no control named " << name.toStdString();
  return w;
}

// Focuses the control (a line edit gets its text selected, as on entering
// it with Tab) and types `text` key by key.
void typeInto(QWidget* root, const QString& name, const QString& text);
// One key press on the named control (the control itself when name is empty).
void pressKey(QWidget* root, const QString& name, Qt::Key key,
              Qt::KeyboardModifiers mods = Qt::NoModifier);
// A left click in the middle of the named control.
void clickOn(QWidget* root, const QString& name);

// Makes w the active window so that focus and keys reach it.
void activate(QWidget* w);

// The test main sends the program's error reports (the message box of the
// error guard) here: each one fails the test, unless an ErrorReports is
// alive, which collects them for the test to check.
void reportError(const QString& text);
class ErrorReports {
 public:
  ErrorReports();
  ~ErrorReports();
  ErrorReports(const ErrorReports&) = delete;
  ErrorReports& operator=(const ErrorReports&) = delete;
  const QStringList& texts() const { return texts_; }

 private:
  friend void reportError(const QString& text);
  QStringList texts_;
  ErrorReports* previous_;
};

}  // namespace drive
