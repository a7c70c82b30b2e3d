// The program's pictures, all drawn here with QPainter.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <vector>

// A numbered set of same-sized images; an index past the end has no image.
class ImageList {
 public:
  void Add(const QPixmap& image) { images_.push_back(image); }
  int Count() const { return static_cast<int>(images_.size()); }
  // A null pixmap for an index outside 0..Count()-1.
  QPixmap Image(int index) const {
    return index >= 0 && index < Count() ? images_[static_cast<std::size_t>(index)] : QPixmap();
  }

 private:
  std::vector<QPixmap> images_;
};

namespace pictures {

// Face sizes and colours of the list items' state images.
inline constexpr int kFaceSize = 16;
inline const QColor kPendingFace{255, 0, 0};
inline const QColor kWrittenFace{0, 255, 0};
inline const QColor kSkippedFace{179, 255, 179};
// Drawn as background, then made transparent.
inline const QColor kTransparentKey{255, 0, 255};

enum class Mouth { Frowning, Smiling };

// A 16x16 face: filled circle with black outline, black eyes and mouth, on a
// transparent background.
QPixmap Face(const QColor& fill, Mouth mouth);

// The program's icon, the one its desktop entry names: the PNG sizes
// rendered from data/quillon.svg at build time, from the program's
// resources. Null when the resources are not linked in.
QIcon ProgramIcon();

// The three state faces in index order: pending (red, frowning), written
// (green, smiling), skipped (pale green, smiling).
ImageList StateFaces();

QPixmap WasteBin();   // 24x24
QPixmap Tick();       // 32x32, green
QPixmap Cross();      // 32x32, red
QPixmap DropHint();   // 170x106

}  // namespace pictures
