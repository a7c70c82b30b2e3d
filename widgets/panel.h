// Panels: a solid or gradient face, an optional frame and a centred caption.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <string>

class Panel : public QWidget {
  Q_OBJECT

 public:
  enum class Frame { None, LoweredBevel, Line };
  enum class Gradient { None, Horizontal, Vertical, Diagonal };

  explicit Panel(QWidget* parent = nullptr);

  // Solid face colour (used when no gradient is set).
  void SetColor(const QColor& color);
  // A stepped gradient from `from` (top/left) to `to` (bottom/right).
  void SetGradient(Gradient direction, const QColor& from, const QColor& to, int steps);
  // LoweredBevel: a line of `color` along the top and left edges and a white
  // one along the bottom and right. Line: a 1-pixel border of `color`.
  void SetFrame(Frame frame, const QColor& color);

  // The caption is UTF-8 text, drawn centred in the caption colour.
  void SetCaption(const std::string& caption);
  std::string Caption() const;
  void SetCaptionColor(const QColor& color);
  void SetCaptionAlignment(Qt::Alignment alignment, int indent = 0);

  // Accepts drags that carry URLs; what a drop does is up to whoever watches
  // the panel's drop events.
  void SetAcceptFileDrops(bool accept);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The gradient face drawn once per size: children that change often (the
  // run's labels) repaint small parts of it many times.
  const QPixmap& GradientFace();

  QPixmap face_;
  QColor color_;
  Gradient gradient_ = Gradient::None;
  QColor from_, to_;
  int steps_ = 1;
  Frame frame_ = Frame::None;
  QColor frameColor_;
  QString caption_;
  QColor captionColor_ = Qt::black;
  Qt::Alignment alignment_ = Qt::AlignCenter;
  int indent_ = 0;
};

// A strip with a filled background and a bold caption at its left, used as
// the title of a panel.
class TitleBar : public Panel {
  Q_OBJECT

 public:
  explicit TitleBar(QWidget* parent = nullptr);
};

// Paints the shared face of a lowered bevel (used by panels, radio groups,
// the progress bar).
void DrawLoweredBevel(class QPainter& painter, const QRect& rect, const QColor& color);
