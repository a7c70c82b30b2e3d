// A status bar with a single sunken panel whose text is centred.
#pragma once

#include <QString>
#include <QWidget>

class StatusPanelBar : public QWidget {
  Q_OBJECT

 public:
  explicit StatusPanelBar(QWidget* parent = nullptr);

  const QString& Text() const { return text_; }
  void SetText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};
