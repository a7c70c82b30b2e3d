#include "widgets/panel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLinearGradient>
#include <QMimeData>
#include <QPainter>

#include "widgets/text.h"

Panel::Panel(QWidget* parent) : QWidget(parent), color_(palette().color(QPalette::Window)) {
  // The face covers the whole panel, so nothing behind it needs painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Panel::SetColor(const QColor& color) {
  color_ = color;
  gradient_ = Gradient::None;
  face_ = QPixmap();
  update();
}

void Panel::SetGradient(Gradient direction, const QColor& from, const QColor& to, int steps) {
  gradient_ = direction;
  from_ = from;
  to_ = to;
  steps_ = steps < 1 ? 1 : steps;
  face_ = QPixmap();
  update();
}

void Panel::SetFrame(Frame frame, const QColor& color) {
  frame_ = frame;
  frameColor_ = color;
  update();
}

void Panel::SetCaption(const std::string& caption) {
  caption_ = widgets::FromText(caption);
  update();
}

std::string Panel::Caption() const { return widgets::ToText(caption_); }

void Panel::SetCaptionColor(const QColor& color) {
  captionColor_ = color;
  update();
}

void Panel::SetCaptionAlignment(Qt::Alignment alignment, int indent) {
  alignment_ = alignment;
  indent_ = indent;
  update();
}

void Panel::SetAcceptFileDrops(bool accept) { setAcceptDrops(accept); }

void DrawLoweredBevel(QPainter& painter, const QRect& r, const QColor& color) {
  painter.setPen(color);
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(Qt::white);
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
}

const QPixmap& Panel::GradientFace() {
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = size() * ratio;
  if (!face_.isNull() && face_.size() == pixels) return face_;
  face_ = QPixmap(pixels);
  face_.setDevicePixelRatio(ratio);
  QPainter p(&face_);
  const QRect r = rect();
  // Stepped bands: each step holds one colour, as a classic gradient panel
  // draws them.
  QPointF end;
  switch (gradient_) {
    case Gradient::Horizontal: end = QPointF(r.width(), 0); break;
    case Gradient::Vertical: end = QPointF(0, r.height()); break;
    default: end = QPointF(r.width(), r.height()); break;
  }
  QLinearGradient g(QPointF(0, 0), end);
  for (int i = 0; i < steps_; ++i) {
    const double t = steps_ == 1 ? 0.0 : static_cast<double>(i) / (steps_ - 1);
    const QColor c = QColor::fromRgbF(static_cast<float>(from_.redF() + (to_.redF() - from_.redF()) * t),
                                      static_cast<float>(from_.greenF() + (to_.greenF() - from_.greenF()) * t),
                                      static_cast<float>(from_.blueF() + (to_.blueF() - from_.blueF()) * t));
    const double a = static_cast<double>(i) / steps_;
    const double b = static_cast<double>(i + 1) / steps_;
    g.setColorAt(a, c);
    g.setColorAt(b - 1e-6 > a ? b - 1e-6 : a, c);
  }
  p.fillRect(r, g);
  return face_;
}

void Panel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  if (gradient_ == Gradient::None) {
    p.fillRect(r, color_);
  } else {
    p.drawPixmap(0, 0, GradientFace());
  }
  if (frame_ == Frame::LoweredBevel) {
    DrawLoweredBevel(p, r.adjusted(0, 0, -1, -1), frameColor_);
  } else if (frame_ == Frame::Line) {
    p.setPen(frameColor_);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
  }
  if (!caption_.isEmpty()) {
    p.setPen(captionColor_);
    p.setFont(font());
    p.drawText(r.adjusted(indent_, 0, 0, 0), static_cast<int>(alignment_), caption_);
  }
}

void Panel::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Panel::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Panel::dropEvent(QDropEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

TitleBar::TitleBar(QWidget* parent) : Panel(parent) {
  SetColor(QColor(0, 128, 192));
  SetCaptionColor(Qt::white);
  SetCaptionAlignment(Qt::AlignLeft | Qt::AlignVCenter, 6);
  QFont f = font();
  f.setBold(true);
  setFont(f);
}
