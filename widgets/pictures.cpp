#include "widgets/pictures.h"

#include <QBitmap>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace pictures {

namespace {

// Every pixel of the key colour becomes fully transparent.
QPixmap KeyedToTransparent(const QImage& drawn) {
  QImage image = drawn.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = kTransparentKey.rgb();
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if ((line[x] | 0xFF000000u) == (key | 0xFF000000u)) line[x] = qRgba(0, 0, 0, 0);
    }
  }
  return QPixmap::fromImage(image);
}

QImage Canvas(int w, int h, const QColor& background) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(background);
  return image;
}

}  // namespace

QPixmap Face(const QColor& fill, Mouth mouth) {
  // Drawn without antialiasing so that every pixel is either the key, the
  // face colour or black: the key must match exactly to become transparent.
  QImage image = Canvas(kFaceSize, kFaceSize, kTransparentKey);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(fill);
  p.drawEllipse(QRect(1, 1, 13, 13));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawRect(5, 5, 2, 2);
  p.drawRect(9, 5, 2, 2);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  if (mouth == Mouth::Smiling) {
    p.drawPoint(4, 9);
    p.drawPoint(11, 9);
    p.drawLine(5, 10, 5, 10);
    p.drawLine(10, 10, 10, 10);
    p.drawLine(6, 11, 9, 11);
  } else {
    p.drawLine(6, 10, 9, 10);
    p.drawPoint(5, 11);
    p.drawPoint(10, 11);
    p.drawPoint(4, 12);
    p.drawPoint(11, 12);
  }
  p.end();
  return KeyedToTransparent(image);
}

ImageList StateFaces() {
  ImageList list;
  list.Add(Face(kPendingFace, Mouth::Frowning));
  list.Add(Face(kWrittenFace, Mouth::Smiling));
  list.Add(Face(kSkippedFace, Mouth::Smiling));
  return list;
}

QPixmap WasteBin() {
  QImage image = Canvas(24, 24, Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QColor body(110, 120, 130), light(190, 198, 206);
  // Handle and lid.
  p.setPen(QPen(body, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(9, 1.5, 6, 3), 1, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(body);
  p.drawRoundedRect(QRectF(3, 4, 18, 3), 1, 1);
  // Tapered can.
  QPainterPath can;
  can.moveTo(5, 8);
  can.lineTo(19, 8);
  can.lineTo(17.5, 22.5);
  can.lineTo(6.5, 22.5);
  can.closeSubpath();
  p.setBrush(light);
  p.setPen(QPen(body, 1));
  p.drawPath(can);
  // Ribs.
  p.setPen(QPen(body, 1.2));
  for (double x : {9.0, 12.0, 15.0}) p.drawLine(QPointF(x, 10.5), QPointF(x, 20.5));
  p.end();
  return QPixmap::fromImage(image);
}

QPixmap Tick() {
  QImage image = Canvas(32, 32, Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath tick;
  tick.moveTo(5, 17);
  tick.lineTo(13, 25);
  tick.lineTo(27, 7);
  p.setPen(QPen(QColor(0, 90, 0), 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(tick);
  p.setPen(QPen(QColor(40, 190, 40), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(tick);
  p.end();
  return QPixmap::fromImage(image);
}

QPixmap Cross() {
  QImage image = Canvas(32, 32, Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  for (const auto& pen : {QPen(QColor(110, 0, 0), 7, Qt::SolidLine, Qt::RoundCap),
                          QPen(QColor(225, 30, 30), 4.5, Qt::SolidLine, Qt::RoundCap)}) {
    p.setPen(pen);
    p.drawLine(QPointF(7, 7), QPointF(25, 25));
    p.drawLine(QPointF(25, 7), QPointF(7, 25));
  }
  p.end();
  return QPixmap::fromImage(image);
}

QPixmap DropHint() {
  QImage image = Canvas(170, 106, Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  // Grey band the devices stand on.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(196, 196, 200));
  p.drawRoundedRect(QRectF(2, 88, 166, 14), 4, 4);

  const QColor pale(214, 222, 236), edge(170, 182, 204);
  p.setPen(QPen(edge, 1));
  p.setBrush(pale);
  // Two portable players: body, screen and wheel.
  for (double x : {10.0, 38.0}) {
    p.drawRoundedRect(QRectF(x, 50, 22, 38), 4, 4);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(x + 4, 54, 14, 11));
    p.drawEllipse(QPointF(x + 11, 76), 6, 6);
    p.setBrush(pale);
  }
  // Telephone: a handset lying on its base.
  p.drawRoundedRect(QRectF(68, 66, 32, 22), 5, 5);
  QPainterPath handset;
  handset.moveTo(64, 64);
  handset.cubicTo(70, 52, 98, 52, 104, 64);
  handset.lineTo(98, 67);
  handset.cubicTo(92, 60, 76, 60, 70, 67);
  handset.closeSubpath();
  p.drawPath(handset);
  p.setBrush(Qt::white);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) p.drawRect(QRectF(75 + c * 7, 72 + r * 7, 4, 4));
  // Screen on its foot.
  p.setBrush(pale);
  p.drawRect(QRectF(112, 44, 50, 36));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(116, 48, 42, 28));
  p.setBrush(pale);
  p.drawRect(QRectF(132, 80, 10, 5));
  p.drawRect(QRectF(124, 85, 26, 3));

  // Dark red arrow pointing down onto the devices.
  QPainterPath arrow;
  arrow.moveTo(77, 2);
  arrow.lineTo(93, 2);
  arrow.lineTo(93, 26);
  arrow.lineTo(106, 26);
  arrow.lineTo(85, 48);
  arrow.lineTo(64, 26);
  arrow.lineTo(77, 26);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(90, 0, 0), 1.5));
  p.setBrush(QColor(150, 10, 10));
  p.drawPath(arrow);
  p.end();
  return QPixmap::fromImage(image);
}

QIcon ProgramIcon() {
  // One folder per rendered size, "<n>x<n>/quillon.png", as in the icon theme.
  QIcon icon;
  const QDir sizes(QStringLiteral(":/icons"));
  for (const QString& size : sizes.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    icon.addFile(sizes.filePath(size + QStringLiteral("/quillon.png")));
  return icon;
}

}  // namespace pictures
