#include "widgets/status_bar.h"

#include <QPainter>

StatusPanelBar::StatusPanelBar(QWidget* parent) : QWidget(parent) {}

void StatusPanelBar::SetText(const QString& text) {
  text_ = text;
  update();
}

void StatusPanelBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  const QRect panel = rect().adjusted(0, 2, -1, -1);
  p.setPen(palette().color(QPalette::Mid));
  p.drawLine(panel.topLeft(), panel.topRight());
  p.drawLine(panel.topLeft(), panel.bottomLeft());
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(panel.bottomLeft(), panel.bottomRight());
  p.drawLine(panel.topRight(), panel.bottomRight());
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(panel, Qt::AlignCenter, text_);
}
