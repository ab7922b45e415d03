// The program's windows over a scratch program folder: Data, the registry
// store and the current folder all point into it, so a test never touches a
// real user's files. Dialogs are answered in order by Dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "admin/Unit6.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Registry.h"
#include "shell/Unit3.h"
#include "tests/admin/archive_fixture.h"
#include "tests/support/Drive.h"

namespace lumi::testing {

using Act = std::function<void(QWidget*)>;

// Answers the next modal dialogs one after another. Each step is armed before
// the one before it acts, since most actions block until the dialogs they open
// are answered. A step takes the first modal window that was not on screen
// when it was armed, or that has been hidden since: the message dialog is one
// window reused for a question and then for the notice that follows it, and a
// window left open underneath must not be taken for the next dialog.
class Dialogs {
 public:
  explicit Dialogs(std::vector<Act> steps)
      : steps_(std::make_shared<std::vector<Act>>(std::move(steps))),
        seen_(std::make_shared<Seen>(steps_->size())) {
    for (auto& s : *seen_) s = std::make_shared<drive::SeenDialog>();
    Arm(steps_, seen_, 0);
  }
  const drive::SeenDialog& operator[](std::size_t i) const { return *(*seen_)[i]; }
  std::size_t size() const { return seen_->size(); }

 private:
  using Seen = std::vector<std::shared_ptr<drive::SeenDialog>>;

  // Sets a flag when the watched window is hidden.
  class HideWatch : public QObject {
   public:
    HideWatch(QObject* parent, std::shared_ptr<bool> hidden) : QObject(parent), hidden_(hidden) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Hide) *hidden_ = true;
      return false;
    }

   private:
    std::shared_ptr<bool> hidden_;
  };

  static QString VisibleText(QWidget* d) {
    QList<QLabel*> labels;
    for (QLabel* l : d->findChildren<QLabel*>()) {
      if (l->isVisibleTo(d) && !l->text().isEmpty()) labels << l;
    }
    std::stable_sort(labels.begin(), labels.end(), [d](QLabel* a, QLabel* b) {
      const QPoint pa = a->mapTo(d, QPoint()), pb = b->mapTo(d, QPoint());
      return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    QStringList texts;
    for (QLabel* l : labels) texts << l->text();
    return texts.join('\n');
  }

  static void Arm(std::shared_ptr<std::vector<Act>> steps, std::shared_ptr<Seen> seen,
                  std::size_t i) {
    // The windows on screen now, each with a flag set once it is hidden.
    auto onScreen =
        std::make_shared<std::vector<std::pair<QPointer<QWidget>, std::shared_ptr<bool>>>>();
    auto watches = std::make_shared<std::vector<QPointer<HideWatch>>>();
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      auto hidden = std::make_shared<bool>(false);
      watches->emplace_back(new HideWatch(w, hidden));
      w->installEventFilter(watches->back());
      onScreen->emplace_back(w, hidden);
    }
    const auto fresh = [onScreen](QWidget* m) {
      if (!m || !m->isVisible()) return false;
      for (const auto& [w, hidden] : *onScreen) {
        if (w == m) return *hidden;
      }
      return true;
    };
    auto* timer = new QTimer;
    auto left = std::make_shared<int>(5000);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [=] {
      QWidget* m = QApplication::activeModalWidget();
      const bool found = fresh(m);
      if (!found && (*left -= 20) > 0) return;
      timer->stop();
      timer->deleteLater();
      for (const QPointer<HideWatch>& watch : *watches) delete watch.data();
      if (!found) {
        ADD_FAILURE() << "step " << i << ": no dialog showed within 5000 ms";
        if (m) m->close();
        return;
      }
      drive::SeenDialog& s = *(*seen)[i];
      s.seen = true;
      s.objectName = m->objectName();
      s.title = m->windowTitle();
      s.text = VisibleText(m);
      if (i + 1 < steps->size()) Arm(steps, seen, i + 1);
      (*steps)[i](m);
    });
    timer->start();
  }

  std::shared_ptr<std::vector<Act>> steps_;
  std::shared_ptr<Seen> seen_;
};

inline Act Press(const QString& button) {
  return [button](QWidget* d) {
    auto* b = d->findChild<QAbstractButton*>(button);
    if (!b) {
      for (QAbstractButton* c : d->findChildren<QAbstractButton*>()) {
        if (c->isVisibleTo(d) && c->text().remove('&') == button) b = c;
      }
    }
    if (!b) {
      ADD_FAILURE() << d->objectName().toStdString() << " has no button " << button.toStdString();
      d->close();
      return;
    }
    QTest::mouseClick(b, Qt::LeftButton);
  };
}

inline Act Escape() {
  return
      [](QWidget* d) { QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Escape); };
}

// Types into a box key by key; letters the test keyboard lacks are put in whole.
inline void Type(QWidget* root, const QString& name, const QString& text) {
  const bool plain =
      std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x7F; });
  if (plain) return drive::typeInto(root, name, text);
  auto* edit = drive::child<QLineEdit>(root, name);
  edit->setFocus();
  edit->setText(text);
}

// Types into the password prompt and confirms with OK.
inline Act AnswerPassword(const QString& password) {
  return [password](QWidget* d) {
    Type(d, "Edit1", password);
    Press("BitBtn1")(d);
  };
}

// Names a file in a file dialog and confirms it, as typed into its name box.
inline Act ChooseFile(const QString& path) {
  return [path](QWidget* d) {
    auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
    if (!edit) {
      ADD_FAILURE() << d->objectName().toStdString() << " is not a file dialog";
      d->close();
      return;
    }
    edit->setText(path);
    QTest::keyClick(edit, Qt::Key_Return);
  };
}

inline Act Then(Act first, std::function<void()> after) {
  return [=](QWidget* d) {
    first(d);
    after();
  };
}

// Presses ESC in a window that stays open under the dialog being answered,
// once that dialog has closed and the window has the keys again.
inline std::function<void()> EscapeLater(QWidget* w) {
  return [w] { QTimer::singleShot(0, w, [w] { QTest::keyClick(w, Qt::Key_Escape); }); };
}

// The message dialog's lines, as the program wrote them.
inline QString Lines(const char* text) { return QString(text).replace("\r\n", "\n"); }

class ShopWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    CaleProgram = QString::fromStdString(root_.path().string());
    CaleData = CaleProgram + "/Data";
    QDir().mkpath(CaleData);
    Registry::SetStorePath(CaleProgram + "/registry.ini");
    QDir::setCurrent(CaleProgram);
    titlu_ = QGuiApplication::applicationDisplayName();
    CreeazaFerestrele();
    Form3()->show();
    Form21()->Reporneste = [this] {
      ++reporniri_;
      titluLaRepornire_ = QGuiApplication::applicationDisplayName();
      folderLaRepornire_ = QDir::currentPath();
    };
  }
  void TearDown() override {
    DistrugeFerestrele();
    ProgramDeblocat = false;
    Registry::SetStorePath(QString());
    QGuiApplication::setApplicationDisplayName(titlu_);
  }

  fs::path Root() const { return root_.path(); }
  fs::path Data() const { return root_.path() / "Data"; }

  TempFolder root_;
  QString titlu_;
  int reporniri_ = 0;
  QString titluLaRepornire_;
  QString folderLaRepornire_;
};

}  // namespace lumi::testing
