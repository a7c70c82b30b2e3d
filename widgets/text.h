// Conversions at the boundary between the program's byte strings and Qt.
//
// Tag values and control texts are ISO-8859-1 bytes: they cross into Qt with
// Latin-1, which maps every byte to one character and back, NUL included.
// Paths are the file system's own bytes: they are shown decoded the way the
// file system names them, but widgets that hold a path keep its bytes.
#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace widgets {

inline QString FromBytes(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Characters outside Latin-1 become "?".
inline std::string ToBytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

inline QString PathToDisplay(std::string_view path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

inline std::string PathFromDisplay(const QString& text) {
  const QByteArray bytes = QFile::encodeName(text);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Equality that ignores the letter case of ASCII letters only. Bytes above
// 0x7F are compared as they stand: paths are UTF-8 here, and folding single
// bytes of a multi-byte sequence could make two different names equal.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace widgets
