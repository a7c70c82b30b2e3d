#include "tag_engine/text_codec.h"

#include <optional>

namespace id3text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLastLatin1 = 0xFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateFirst = 0xD800, kLowSurrogateFirst = 0xDC00, kSurrogateLast = 0xDFFF;
constexpr unsigned char kMarkLittle[2] = {0xFF, 0xFE};
constexpr unsigned char kMarkBig[2] = {0xFE, 0xFF};

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

// The code point starting at `i`, advancing `i` past it; nullopt (having
// consumed one byte) when the bytes there are no well-formed UTF-8.
std::optional<char32_t> NextUtf8(std::string_view s, std::size_t& i) {
  const unsigned char lead = Byte(s, i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t length;
  char32_t code, minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, minimum = 0x10000;
  } else {
    ++i;
    return std::nullopt;
  }
  if (i + length > s.size()) {
    ++i;
    return std::nullopt;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = Byte(s, i + k);
    if ((next & 0xC0u) != 0x80) {
      ++i;
      return std::nullopt;
    }
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < minimum || code > kLastCodePoint || (code >= kSurrogateFirst && code <= kSurrogateLast)) {
    ++i;
    return std::nullopt;
  }
  i += length;
  return code;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t k) -> char32_t {
    const char32_t a = Byte(bytes, 2 * k), b = Byte(bytes, 2 * k + 1);
    return bigEndian ? (a << 8) | b : (b << 8) | a;
  };
  for (std::size_t k = 0; k < units; ++k) {
    const char32_t u = unit(k);
    if (u >= kSurrogateFirst && u < kLowSurrogateFirst && k + 1 < units) {
      const char32_t low = unit(k + 1);
      if (low >= kLowSurrogateFirst && low <= kSurrogateLast) {
        AppendUtf8(out, 0x10000 + ((u - kSurrogateFirst) << 10) + (low - kLowSurrogateFirst));
        ++k;
        continue;
      }
    }
    AppendUtf8(out, (u >= kSurrogateFirst && u <= kSurrogateLast) ? kReplacement : u);
  }
  if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);  // a unit cut in half
  return out;
}

// Each code point of UTF-8 text in turn; invalid bytes give U+FFFD.
template <typename Visit>
void ForEachCodePoint(std::string_view utf8, Visit visit) {
  std::size_t i = 0;
  while (i < utf8.size()) visit(NextUtf8(utf8, i).value_or(kReplacement));
}

}  // namespace

bool IsEncoding(std::uint8_t byte) { return byte <= kUtf8; }

std::size_t TerminatorSize(Encoding encoding) {
  return encoding == kUtf16 || encoding == kUtf16BigEndian ? 2 : 1;
}

std::size_t FindTerminator(Encoding encoding, std::string_view bytes) {
  if (TerminatorSize(encoding) == 1) return bytes.find('\0');
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') return i;
  }
  return std::string_view::npos;
}

std::string Decode(Encoding encoding, std::string_view bytes) {
  switch (encoding) {
    case kLatin1:
      return FromLatin1(bytes);
    case kUtf16: {
      if (bytes.size() >= 2 && Byte(bytes, 0) == kMarkLittle[0] && Byte(bytes, 1) == kMarkLittle[1]) {
        return DecodeUtf16(bytes.substr(2), false);
      }
      if (bytes.size() >= 2 && Byte(bytes, 0) == kMarkBig[0] && Byte(bytes, 1) == kMarkBig[1]) {
        return DecodeUtf16(bytes.substr(2), true);
      }
      return DecodeUtf16(bytes, false);
    }
    case kUtf16BigEndian:
      return DecodeUtf16(bytes, true);
    case kUtf8: {
      std::string out;
      out.reserve(bytes.size());
      ForEachCodePoint(bytes, [&out](char32_t c) { AppendUtf8(out, c); });
      return out;
    }
  }
  return FromLatin1(bytes);
}

std::string DecodeFirst(Encoding encoding, std::string_view bytes, std::string_view* rest) {
  const std::size_t end = FindTerminator(encoding, bytes);
  if (end == std::string_view::npos) {
    if (rest) *rest = std::string_view();
    return Decode(encoding, bytes);
  }
  if (rest) *rest = bytes.substr(end + TerminatorSize(encoding));
  return Decode(encoding, bytes.substr(0, end));
}

std::vector<std::string> DecodeAll(Encoding encoding, std::string_view bytes) {
  std::vector<std::string> values;
  while (!bytes.empty()) values.push_back(DecodeFirst(encoding, bytes, &bytes));
  return values;
}

std::string JoinValues(const std::vector<std::string>& values) {
  std::string joined;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) joined += '/';
    joined += values[i];
  }
  return joined;
}

bool FitsLatin1(std::string_view utf8) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::optional<char32_t> c = NextUtf8(utf8, i);
    if (!c || *c == 0 || *c > kLastLatin1) return false;
  }
  return true;
}

Encoding EncodingFor(std::string_view utf8) { return FitsLatin1(utf8) ? kLatin1 : kUtf16; }

std::string Encode(Encoding encoding, std::string_view utf8) {
  std::string out;
  switch (encoding) {
    case kLatin1:
      return ToLatin1(utf8);
    case kUtf8:
      out.reserve(utf8.size());
      ForEachCodePoint(utf8, [&out](char32_t c) { AppendUtf8(out, c); });
      return out;
    case kUtf16:
    case kUtf16BigEndian: {
      const bool big = encoding == kUtf16BigEndian;
      out.reserve(2 * utf8.size() + 2);
      if (!big) out.append(reinterpret_cast<const char*>(kMarkLittle), 2);
      auto put = [&out, big](char32_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += big ? hi : lo;
        out += big ? lo : hi;
      };
      ForEachCodePoint(utf8, [&put](char32_t c) {
        if (c >= 0x10000) {
          c -= 0x10000;
          put(kSurrogateFirst + (c >> 10));
          put(kLowSurrogateFirst + (c & 0x3FF));
        } else {
          put(c);
        }
      });
      return out;
    }
  }
  return ToLatin1(utf8);
}

std::string Terminator(Encoding encoding) { return std::string(TerminatorSize(encoding), '\0'); }

std::string ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  ForEachCodePoint(utf8, [&out](char32_t c) { out += c <= kLastLatin1 ? static_cast<char>(c) : '?'; });
  return out;
}

std::string FromLatin1(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (const char c : latin1) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (!NextUtf8(bytes, i)) return false;
  }
  return true;
}

std::size_t CharCount(std::string_view utf8) {
  std::size_t count = 0, i = 0;
  while (i < utf8.size()) {
    (void)NextUtf8(utf8, i);
    ++count;
  }
  return count;
}

std::string Prefix(std::string_view utf8, std::size_t chars) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < chars && i < utf8.size(); ++n) (void)NextUtf8(utf8, i);
  return std::string(utf8.substr(0, i));
}

}  // namespace id3text
