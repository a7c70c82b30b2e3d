// A label that opens a web address when clicked.
#pragma once

#include <QLabel>
#include <QString>
#include <functional>

class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  using Opener = std::function<void(const QString& url)>;

  // Blue, underlined, with a pointing-hand cursor. Until SetOpener is
  // called, a click hands the address to the desktop's web browser.
  explicit LinkLabel(const QString& text, const QString& url, QWidget* parent = nullptr);

  const QString& Url() const { return url_; }
  void SetOpener(Opener opener) { opener_ = std::move(opener); }

 signals:
  void linkClicked(const QString& url);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString url_;
  Opener opener_;
};
