#include "tag_engine/settings_ops.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "platform/ini_file.h"
#include "tag_engine/text_codec.h"

namespace {

constexpr char kHexPrefix = '0';
constexpr std::size_t kHexPrefixLength = 2;
constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;

// Writes Default when Key is missing; the stored text, or nullopt when the
// key could neither be found nor added.
std::optional<std::string> ReadOrAdd(const std::string& FileName, const std::string& Section,
                                     const std::string& Key, const std::string& Default) {
  const platform::IniFile ini(FileName);
  if (!ini.ReadValue(Section, Key)) {
    if (!ini.WriteValue(Section, Key, Default)) return std::nullopt;
  }
  return ini.ReadValue(Section, Key);
}

// A stored text as Unicode: UTF-8 stays, anything else is taken as the
// ISO-8859-1 of an earlier version. Either way the cut counts characters.
std::string DecodeStoredText(const std::string& stored) {
  if (id3text::IsValidUtf8(stored)) return id3text::Prefix(stored, kMaxSettingLength);
  return id3text::FromLatin1(std::string_view(stored).substr(0, kMaxSettingLength));
}

}  // namespace

std::int32_t ParseSettingInteger(const std::string& text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (text.size() > kHexPrefixLength && text[0] == kHexPrefix && (text[1] == 'x' || text[1] == 'X')) {
    std::uint32_t bits = 0;
    auto [end, ec] = std::from_chars(first + kHexPrefixLength, last, bits, kHexBase);
    if (ec != std::errc() || end != last) return 0;
    return static_cast<std::int32_t>(bits);
  }
  // from_chars takes a "-" but no "+".
  if (!text.empty() && text[0] == '+') {
    ++first;
    if (first == last || *first == '-' || *first == '+') return 0;
  }
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(first, last, value, kDecimalBase);
  if (ec != std::errc() || end != last) return 0;
  return value;
}

std::string ReadSettingText(const std::string& FileName, const std::string& Section, const std::string& Key,
                            const std::string& Default) {
  try {
    return DecodeStoredText(ReadOrAdd(FileName, Section, Key, Default).value_or(std::string()));
  } catch (...) {
    return std::string();
  }
}

std::string ReadSettingPath(const std::string& FileName, const std::string& Section, const std::string& Key,
                            const std::string& Default) {
  try {
    // Counted as characters where the bytes are UTF-8, so a UTF-8 path is
    // never cut inside a character; other bytes count one each.
    return id3text::Prefix(ReadOrAdd(FileName, Section, Key, Default).value_or(std::string()), kMaxSettingLength);
  } catch (...) {
    return std::string();
  }
}

std::int32_t ReadSettingInteger(const std::string& FileName, const std::string& Section, const std::string& Key,
                                std::int32_t Default) {
  try {
    std::optional<std::string> text = ReadOrAdd(FileName, Section, Key, std::to_string(Default));
    return text ? ParseSettingInteger(*text) : 0;
  } catch (...) {
    return 0;
  }
}

void WriteSettingText(const std::string& FileName, const std::string& Section, const std::string& Key,
                      const std::string& Value) {
  try {
    platform::IniFile(FileName).WriteValue(Section, Key, Value);
  } catch (...) {
    // A value that cannot be written is lost; the caller goes on with the next.
  }
}

void WriteSettingInteger(const std::string& FileName, const std::string& Section, const std::string& Key,
                         std::int32_t Value) {
  WriteSettingText(FileName, Section, Key, std::to_string(Value));
}
