#include "widgets/link_label.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

LinkLabel::LinkLabel(const QString& text, const QString& url, QWidget* parent)
    : QLabel(text, parent), url_(url) {
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
  setPalette(pal);
  setCursor(Qt::PointingHandCursor);
  opener_ = [](const QString& address) { QDesktopServices::openUrl(QUrl(address)); };
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  if (opener_) opener_(url_);
  emit linkClicked(url_);
}
