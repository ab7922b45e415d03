// A window at work takes no input and runs no second operation; other
// windows go on as usual, and the window takes input again afterwards.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "shell/BusyWindow.h"

namespace {

struct Window {
  QWidget w;
  QPushButton* button = new QPushButton("MEMOREAZA", &w);
  QLineEdit* edit = new QLineEdit(&w);
  int clicks = 0;
  Window() {
    auto* l = new QVBoxLayout(&w);
    l->addWidget(button);
    l->addWidget(edit);
    QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
    w.show();
  }
};

TEST(BusyWindow, RefusesASecondOperationAndSwallowsInput) {
  Window a, b;
  {
    BusyWindow busy(a.button);
    ASSERT_TRUE(busy);
    EXPECT_TRUE(BusyWindow::IsBusy(a.edit));
    EXPECT_FALSE(BusyWindow(a.edit)) << "a second operation on the same window";

    QTest::mouseClick(a.button, Qt::LeftButton);
    QTest::keyClick(a.button, Qt::Key_Space);
    QTest::keyClicks(a.edit, "AB");
    EXPECT_EQ(a.clicks, 0);
    EXPECT_EQ(a.edit->text(), "");

    // Another window is not held, and can be busy on its own.
    QTest::mouseClick(b.button, Qt::LeftButton);
    {
      BusyWindow other(&b.w);
      EXPECT_TRUE(other);
    }
    EXPECT_EQ(b.clicks, 1);
  }
  EXPECT_FALSE(BusyWindow::IsBusy(&a.w));
  QTest::mouseClick(a.button, Qt::LeftButton);
  QTest::keyClicks(a.edit, "AB");
  EXPECT_EQ(a.clicks, 1);
  EXPECT_EQ(a.edit->text(), "AB");
}

}  // namespace
