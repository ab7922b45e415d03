#include "shell/Balloon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class BalloonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window_);
    first_ = new QLineEdit(&window_);
    second_ = new QLineEdit(&window_);
    layout->addWidget(first_);
    layout->addWidget(second_);
    window_.move(100, 100);
    window_.show();
    QApplication::setActiveWindow(&window_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    first_->setFocus();
  }
  QIcon ErrorIcon() const {
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
  }

  QWidget window_;
  QLineEdit* first_;
  QLineEdit* second_;
};

TEST_F(BalloonTest, PointsAtTheControlWithoutTakingTheFocus) {
  Balloon b(&window_);
  b.ShowAt(second_, ErrorIcon(), "Problema !", "Introduceti cantitatea!");
  EXPECT_TRUE(b.isVisible());
  EXPECT_EQ(b.Title(), "Problema !");
  EXPECT_EQ(b.Text(), "Introduceti cantitatea!");
  EXPECT_EQ(b.ArrowTip(), second_->mapToGlobal(QPoint(10, 10)));
  EXPECT_EQ(b.width(), Balloon::kPreferredWidth);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), first_) << "the focus stays where it was";
  EXPECT_EQ(QApplication::activeWindow(), &window_);
}

TEST_F(BalloonTest, GoesWithTheWindowOfItsControl) {
  QWidget dialog;
  auto* field = new QLineEdit(&dialog);
  dialog.show();
  Balloon b(&window_);
  b.ShowAt(field, ErrorIcon(), "Problema !", "Nu ati specificat Suma !");
  ASSERT_TRUE(b.isVisible());
  dialog.hide();
  EXPECT_FALSE(b.isVisible()) << "it would point at a field no longer shown";
  b.ShowAt(second_, ErrorIcon(), "Problema !", "Alegeti mai intai o comanda !");
  dialog.show();
  dialog.hide();
  EXPECT_TRUE(b.isVisible()) << "another window closing does not hide it";
}

TEST_F(BalloonTest, LongTextsWrapWithinThePreferredWidth) {
  Balloon b(&window_);
  const QString text = QString("Pretul trebuie sa fie mai mare decat zero. ").repeated(6);
  b.ShowAt(first_, ErrorIcon(), "Problema !", text);
  EXPECT_EQ(b.width(), Balloon::kPreferredWidth);
  EXPECT_GT(b.height(), 3 * b.fontMetrics().height());
}

TEST_F(BalloonTest, HidesItselfAfterThreeSecondsAndRestartsOnANewMessage) {
  Balloon b(&window_);
  b.ShowAt(first_, ErrorIcon(), "Problema !", "unu");
  QTimer* t = b.HideTimer();
  EXPECT_TRUE(t->isActive());
  EXPECT_TRUE(t->isSingleShot());
  EXPECT_EQ(t->interval(), 3000);
  QTest::qWait(500);
  const int left = t->remainingTime();
  b.ShowAt(second_, ErrorIcon(), "Problema !", "doi");  // replaces the first
  EXPECT_EQ(b.Text(), "doi");
  EXPECT_EQ(b.ArrowTip(), second_->mapToGlobal(QPoint(10, 10)));
  EXPECT_GT(t->remainingTime(), left) << "the delay starts again";
  t->start(1);  // let the delay run out now
  QTRY_VERIFY_WITH_TIMEOUT(!b.isVisible(), 1000);
}

TEST_F(BalloonTest, OpensAboveAControlAtTheBottomOfTheScreen) {
  const QRect area = window_.screen()->availableGeometry();
  window_.move(area.left() + 10, area.bottom() - window_.height() - 5);
  QApplication::processEvents();
  Balloon b(&window_);
  b.ShowAt(second_, ErrorIcon(), "Problema !", "jos");
  const QPoint tip = second_->mapToGlobal(QPoint(10, 10));
  EXPECT_EQ(b.ArrowTip(), tip);
  EXPECT_LT(b.geometry().top(), tip.y());
  EXPECT_LE(b.geometry().bottom(), area.bottom());
}

TEST_F(BalloonTest, AClickDismissesIt) {
  Balloon b(&window_);
  b.ShowAt(first_, ErrorIcon(), "Problema !", "clic");
  QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(b.width() / 2, b.height() / 2));
  EXPECT_FALSE(b.isVisible());
}

}  // namespace
