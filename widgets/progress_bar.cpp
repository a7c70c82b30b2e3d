#include "widgets/progress_bar.h"

#include <QLinearGradient>
#include <algorithm>
#include <QPainter>

#include "widgets/panel.h"

PercentProgressBar::PercentProgressBar(QWidget* parent) : QWidget(parent) {
  // It fills its whole face: a repaint at every file need not paint the
  // window's gradient behind it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QFont f("Arial", 10);
  f.setBold(true);
  setFont(f);
}

void PercentProgressBar::SetMax(int max) {
  max_ = max;
  repaint();
}

void PercentProgressBar::SetPosition(int position) {
  position_ = position;
  repaint();
}

int PercentProgressBar::Percent() const {
  if (max_ <= 0) return 0;
  const long long percent = static_cast<long long>(position_) * 100 / max_;
  return percent < 0 ? 0 : percent > 100 ? 100 : static_cast<int>(percent);
}

void PercentProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, palette().color(QPalette::Window));
  const QRect inner = r.adjusted(1, 1, -1, -1);
  const double fraction =
      max_ <= 0 ? 0.0 : std::clamp(static_cast<double>(position_) / max_, 0.0, 1.0);
  const int filled = static_cast<int>(inner.width() * fraction);
  if (filled > 0) {
    QLinearGradient g(inner.topLeft(), inner.topRight());
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(0, 0, 255));
    p.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), g);
  }
  DrawLoweredBevel(p, r.adjusted(0, 0, -1, -1), QColor(128, 128, 128));
  p.setPen(Qt::black);
  p.drawText(r, Qt::AlignCenter, QString::number(Percent()) + " %");
}
