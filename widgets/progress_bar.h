// A progress bar that shows its value as a percentage of its maximum.
#pragma once

#include <QWidget>

class PercentProgressBar : public QWidget {
  Q_OBJECT

 public:
  explicit PercentProgressBar(QWidget* parent = nullptr);

  int Max() const { return max_; }
  int Position() const { return position_; }
  // Both repaint the bar at once, before they return.
  void SetMax(int max);
  void SetPosition(int position);

  // Whole percent, 0 when the maximum is not positive; clamped to 0..100.
  int Percent() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int max_ = 100;
  int position_ = 0;
};
