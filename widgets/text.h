// Conversions at the boundary between the program's strings and Qt.
//
// Tag values and control texts are Unicode held as UTF-8 bytes: they cross
// into Qt decoded from UTF-8 and come back encoded in it, NUL included, so a
// text in any script reaches the window and returns from it as typed.
// Paths are the file system's own bytes: they are shown decoded the way the
// file system names them, but widgets that hold a path keep its bytes.
#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace widgets {

// Bytes that are not well-formed UTF-8 (which the program's text never holds)
// are shown as U+FFFD.
inline QString FromText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Every character survives; a lone surrogate, which no keyboard gives, would
// become U+FFFD.
inline std::string ToText(const QString& text) {
  const QByteArray bytes = text.toUtf8();
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
// 0x7F are compared as they stand: texts and paths are UTF-8, and folding
// single bytes of a multi-byte sequence could make two different names equal.
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
