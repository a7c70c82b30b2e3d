#include "tag_engine/text_utf8.h"

namespace {

constexpr unsigned char kTwoByteLead = 0xC0;
constexpr unsigned char kContinuationBits = 0x80;
constexpr unsigned char kLowSixBits = 0x3F;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == kContinuationBits; }

// The length of the well-formed sequence starting at text[i], or 0 when the
// byte there starts none. The narrowed ranges of the second byte rule out
// overlong forms, surrogates and values above U+10FFFF.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  unsigned char second_min = 0x80;
  unsigned char second_max = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead == 0xE0) {
    length = 3;
    second_min = 0xA0;
  } else if (lead == 0xED) {
    length = 3;
    second_max = 0x9F;
  } else if (lead >= 0xE1 && lead <= 0xEF) {
    length = 3;
  } else if (lead == 0xF0) {
    length = 4;
    second_min = 0x90;
  } else if (lead >= 0xF1 && lead <= 0xF3) {
    length = 4;
  } else if (lead == 0xF4) {
    length = 4;
    second_max = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  if (second < second_min || second > second_max) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (!IsContinuation(static_cast<unsigned char>(text[i + k]))) return 0;
  }
  return length;
}

// Bytes taken by the character at text[i]: its sequence, or the one byte.
std::size_t CharLength(std::string_view text, std::size_t i) {
  const std::size_t length = SequenceLength(text, i);
  return length == 0 ? 1 : length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(kTwoByteLead | (b >> 6));
      out += static_cast<char>(kContinuationBits | (b & kLowSixBits));
    }
  }
  return out;
}

std::size_t Utf8CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) ++count;
  return count;
}

std::string Utf8Prefix(std::string_view text, std::size_t chars) {
  std::size_t end = 0;
  for (std::size_t taken = 0; taken < chars && end < text.size(); ++taken) end += CharLength(text, end);
  return std::string(text.substr(0, end));
}
