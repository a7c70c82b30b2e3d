#include "platform/text_encoding.h"

namespace platform {

namespace {

constexpr char kUnmappable = '?';

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length and the allowed range of the second byte of a sequence starting
// with `lead`; 0 when `lead` starts none. The narrowed second-byte ranges
// rule out overlong forms, surrogates and values above U+10FFFF.
struct LeadInfo {
  int length;
  unsigned char second_min;
  unsigned char second_max;
};

LeadInfo InfoOf(unsigned char lead) {
  if (lead < 0x80) return {1, 0, 0};
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

std::string FileNameToTagText(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    const auto lead = static_cast<unsigned char>(name[i]);
    const LeadInfo info = InfoOf(lead);
    bool well_formed = info.length > 0 && i + static_cast<std::size_t>(info.length) <= name.size();
    if (well_formed && info.length > 1) {
      const auto second = static_cast<unsigned char>(name[i + 1]);
      well_formed = second >= info.second_min && second <= info.second_max;
      for (int k = 2; well_formed && k < info.length; ++k) {
        well_formed = IsContinuation(static_cast<unsigned char>(name[i + k]));
      }
    }
    if (!well_formed) {
      // Only the lead byte is given up; what follows is decoded afresh, so a
      // cut sequence costs one "?" per byte and the next character survives.
      out += kUnmappable;
      ++i;
      continue;
    }
    out.append(name.substr(i, static_cast<std::size_t>(info.length)));
    i += static_cast<std::size_t>(info.length);
  }
  return out;
}

}  // namespace platform
