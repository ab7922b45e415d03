#include "tests/support/Drive.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace drive {

namespace {

QString VisibleText(QWidget* dlg) {
  if (auto* box = qobject_cast<QMessageBox*>(dlg)) return box->text();
  QList<QLabel*> labels;
  for (QLabel* l : dlg->findChildren<QLabel*>()) {
    if (l->isVisibleTo(dlg) && !l->text().isEmpty()) labels << l;
  }
  std::stable_sort(labels.begin(), labels.end(), [dlg](QLabel* a, QLabel* b) {
    const QPoint pa = a->mapTo(dlg, QPoint()), pb = b->mapTo(dlg, QPoint());
    return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
  });
  QStringList texts;
  for (QLabel* l : labels) texts << l->text();
  return texts.join('\n');
}

QAbstractButton* FindButton(QWidget* dlg, const QString& name) {
  if (auto* b = dlg->findChild<QAbstractButton*>(name)) return b;
  for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>()) {
    if (b->isVisibleTo(dlg) && b->text().remove('&') == name) return b;
  }
  return nullptr;
}

}  // namespace

std::shared_ptr<SeenDialog> onNextModal(std::function<void(QWidget*)> act, int timeoutMs) {
  auto seen = std::make_shared<SeenDialog>();
  QWidget* before = QApplication::activeModalWidget();
  auto* timer = new QTimer;
  auto left = std::make_shared<int>(timeoutMs);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [=] {
    QWidget* m = QApplication::activeModalWidget();
    const bool fresh = m && m != before && m->isVisible();
    if (!fresh && (*left -= 20) > 0) return;
    timer->stop();
    timer->deleteLater();
    if (fresh) {
      seen->seen = true;
      seen->objectName = m->objectName();
      seen->title = m->windowTitle();
      seen->text = VisibleText(m);
      act(m);
      return;
    }
    ADD_FAILURE() << "no modal dialog showed within " << timeoutMs << " ms";
    if (m) m->close();
  });
  timer->start();
  return seen;
}

std::shared_ptr<SeenDialog> pressInNextModal(const QString& button, int timeoutMs) {
  return onNextModal(
      [button](QWidget* dlg) {
        QAbstractButton* b = FindButton(dlg, button);
        if (!b) {
          ADD_FAILURE() << "dialog " << dlg->objectName().toStdString() << " has no button "
                        << button.toStdString();
          dlg->close();
          return;
        }
        QTest::mouseClick(b, Qt::LeftButton);
      },
      timeoutMs);
}

std::shared_ptr<SeenDialog> escapeNextModal(int timeoutMs) {
  return onNextModal(
      [](QWidget* dlg) {
        QWidget* target = dlg->focusWidget() ? dlg->focusWidget() : dlg;
        QTest::keyClick(target, Qt::Key_Escape);
      },
      timeoutMs);
}

namespace {
ErrorReports* g_collector = nullptr;
}

void reportError(const QString& text) {
  if (g_collector) {
    g_collector->texts_ << text;
    return;
  }
  ADD_FAILURE() << "the program reported an error: " << text.toStdString();
}

ErrorReports::ErrorReports() : previous_(g_collector) { g_collector = this; }
ErrorReports::~ErrorReports() { g_collector = previous_; }

void activate(QWidget* w) {
  if (!w) return;
  QWidget* win = w->window();
  if (!win->isVisible()) win->show();
  QApplication::setActiveWindow(win);
  win->activateWindow();
  (void)QTest::qWaitForWindowActive(win, 1000);
}

void typeInto(QWidget* root, const QString& name, const QString& text) {
  QWidget* w = child(root, name);
  if (!w) return;
  activate(w);
  w->setFocus(Qt::TabFocusReason);
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
  QTest::keyClicks(w, text);
}

void pressKey(QWidget* root, const QString& name, Qt::Key key, Qt::KeyboardModifiers mods) {
  QWidget* w = name.isEmpty() ? root : child(root, name);
  if (!w) return;
  QTest::keyClick(w, key, mods);
}

void clickOn(QWidget* root, const QString& name) {
  QWidget* w = child(root, name);
  if (!w) return;
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

}  // namespace drive
