#include "shell/Balloon.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kMargin = 8;
constexpr int kArrowHeight = 14;
constexpr int kArrowWidth = 14;
constexpr int kArrowInset = 18;  // from the body's left edge to the arrow's tip
constexpr int kIconSize = 16;
constexpr int kRadius = 6;

QFont TitleFont(const QFont& base) {
  QFont f = base;
  f.setBold(true);
  return f;
}

}  // namespace

Balloon::Balloon(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  hideTimer_ = new QTimer(this);
  hideTimer_->setObjectName("HideTimer");
  hideTimer_->setSingleShot(true);
  hideTimer_->setInterval(kHideAfterMs);
  connect(hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void Balloon::ShowAt(QWidget* control, const QIcon& icon, const QString& title, const QString& text,
                     QPoint spot) {
  icon_ = icon;
  title_ = title;
  text_ = text;
  control_ = control;
  if (window_) window_->removeEventFilter(this);
  window_ = control ? control->window() : nullptr;
  if (window_) window_->installEventFilter(this);
  QPoint tip = QCursor::pos();
  if (control) tip = control->mapToGlobal(spot);
  Layout(tip);
  show();
  raise();
  update();
  hideTimer_->start();
}

// A balloon about a field of a dialog that has closed would point at nothing.
bool Balloon::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
    hide();
  }
  return QWidget::eventFilter(watched, event);
}

void Balloon::Layout(QPoint globalTip) {
  const QFontMetrics textMetrics(font());
  const QFontMetrics titleMetrics(TitleFont(font()));
  const int inner = kPreferredWidth - 2 * kMargin;
  const QRect textBox =
      textMetrics.boundingRect(QRect(0, 0, inner, 100000), Qt::TextWordWrap, text_);
  // Always the preferred width, so that every input error looks the same.
  const int contentWidth = inner;
  const int titleHeight = std::max(kIconSize, titleMetrics.height());
  const QSize bodySize(contentWidth + 2 * kMargin,
                       titleHeight + kMargin / 2 + textBox.height() + 2 * kMargin);

  // Below the spot when there is room on its screen, above it otherwise; moved
  // left when it would leave the screen on the right.
  const QScreen* screen = QGuiApplication::screenAt(globalTip);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 100000, 100000);
  arrowAbove_ = globalTip.y() + kArrowHeight + bodySize.height() <= area.bottom();
  const int totalHeight = bodySize.height() + kArrowHeight;
  int left = globalTip.x() - kArrowInset;
  left = std::max(area.left(), std::min(left, area.right() + 1 - bodySize.width()));
  const int top = arrowAbove_ ? globalTip.y() : globalTip.y() - totalHeight + 1;
  setGeometry(left, top, bodySize.width(), totalHeight);

  body_ = QRect(QPoint(0, arrowAbove_ ? kArrowHeight : 0), bodySize);
  tip_ = QPoint(globalTip.x() - left, arrowAbove_ ? 0 : totalHeight - 1);
  iconRect_ = QRect(body_.left() + kMargin, body_.top() + kMargin, kIconSize, kIconSize);
  titleRect_ = QRect(iconRect_.right() + 1 + kMargin, body_.top() + kMargin,
                     contentWidth - kIconSize - kMargin, titleHeight);
  textRect_ = QRect(body_.left() + kMargin, titleRect_.bottom() + 1 + kMargin / 2, contentWidth,
                    textBox.height());

  // The shape: a rounded body with the arrow's base on its edge next to the tip.
  QPainterPath shape;
  shape.addRoundedRect(body_, kRadius, kRadius);
  const int baseX =
      std::clamp(tip_.x(), body_.left() + kRadius, body_.right() - kRadius - kArrowWidth);
  const int baseY = arrowAbove_ ? body_.top() + 1 : body_.bottom() - 1;
  QPainterPath arrow;
  arrow.moveTo(tip_);
  arrow.lineTo(baseX, baseY);
  arrow.lineTo(baseX + kArrowWidth, baseY);
  arrow.closeSubpath();
  shape_ = shape.united(arrow);
  setMask(QRegion(shape_.toFillPolygon().toPolygon()));
}

void Balloon::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(palette().color(QPalette::Dark), 1));
  p.setBrush(palette().color(QPalette::ToolTipBase));
  p.drawPath(shape_);
  p.setPen(palette().color(QPalette::ToolTipText));
  icon_.paint(&p, iconRect_);
  p.setFont(TitleFont(font()));
  p.drawText(titleRect_, Qt::AlignLeft | Qt::AlignVCenter, title_);
  p.setFont(font());
  p.drawText(textRect_, Qt::TextWordWrap, text_);
}

void Balloon::mousePressEvent(QMouseEvent*) {
  hideTimer_->stop();
  hide();
}
