#include "tag_engine/tag_tables.h"

#include <cstdarg>
#include <cstdio>
#include <limits>
#include <new>
#include <vector>

#include "platform/paths.h"

const std::array<std::string_view, 73> KnownFrameIds = {
    "AENC", "APIC", "COMM", "COMR", "ENCR", "EQUA", "ETCO", "GEOB", "GRID", "IPLS", "LINK", "MCDI", "MLLT",
    "OWNE", "PRIV", "PCNT", "POPM", "POSS", "RBUF", "RVAD", "RVRB", "SYLT", "SYTC", "TALB", "TBPM", "TCOM",
    "TCON", "TCOP", "TDAT", "TDLY", "TENC", "TEXT", "TFLT", "TIME", "TIT1", "TIT2", "TIT3", "TKEY", "TLAN",
    "TLEN", "TMED", "TOAL", "TOFN", "TOLY", "TOPE", "TORY", "TOWN", "TPE1", "TPE2", "TPE3", "TPE4", "TPOS",
    "TPUB", "TRCK", "TRDA", "TRSN", "TRSO", "TSIZ", "TSRC", "TSSE", "TYER", "TXXX", "UFID", "USER", "USLT",
    "WCOM", "WCOP", "WOAF", "WOAS", "WORS", "WPAY", "WPUB", "WXXX",
};

const std::array<std::string_view, 126> GenreNames = {
    "Blues", "ClassicRock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    "NewAge", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    "Alternative", "Ska", "DeathMetal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal",
    "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "SoundClip",
    "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative", "InstrumentalPop",
    "InstrumentalRock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk",
    "Eurodance", "Dream", "SouthernRock", "Comedy", "Cult", "Gangsta", "Top 40", "ChristianRap", "Pop/Funk",
    "Jungle", "NativeAmerican", "Cabaret", "NewWave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi",
    "Tribal", "AcidPunk", "AcidJazz", "Polka", "Retro", "Musical", "Rock&Roll", "HardRock", "Folk",
    "Folk-Rock", "NationalFolk", "Swing", "FastFusion", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass",
    "Avantgarde", "GothicRock", "ProgressiveRock", "PsychedelicRock", "SymphonicRock", "SlowRock", "BigBand",
    "Chorus", "EasyListening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "ChamberMusic", "Sonata",
    "Symphony", "BootyBass", "Primus", "PornGroove", "Satire", "SlowJam", "Club", "Tango", "Samba",
    "Folklore", "Ballad", "PowerBallad", "RhythmicSoul", "Freestyle", "Duet", "PunkRock", "DrumSolo",
    "Acapella", "Euro-House", "DanceHall",
};

bool IsKnownFrameId(std::string_view id) {
  if (id.size() != 4) return false;
  for (std::string_view known : KnownFrameIds) {
    if (known == id) return true;
  }
  return false;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Whole-text 32-bit integer syntax of the genre reference; accumulates in
// 64 bits and gives up as soon as the magnitude leaves the 32-bit range, so
// no input can overflow.
bool ParseInt32(std::string_view text, std::int32_t& out) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  std::string_view rest = text.substr(i);
  if (rest.starts_with("0x") || rest.starts_with("0X")) {
    base = 16;
    i += 2;
  } else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    base = 16;
    i += 1;
  }
  if (i >= text.size()) return false;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = base == 16 ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > kLimit) return false;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return false;
  out = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace

std::string ResolveGenre(const std::string& value) {
  try {
    const std::string copy = ReplaceAll(value, std::string(1, '\0'), "");
    if (copy.size() < 2 || copy.front() != '(' || copy.back() != ')') return value;
    std::int32_t n = 0;
    if (!ParseInt32(std::string_view(copy).substr(1, copy.size() - 2), n)) return value;
    if (n < 0 || n >= static_cast<std::int32_t>(GenreNames.size())) return value;
    return std::string(GenreNames[static_cast<std::size_t>(n)]);
  } catch (const std::bad_alloc&) {
    return value;
  }
}

std::string ReplaceAll(const std::string& source, const std::string& search, const std::string& replacement) {
  if (search.empty()) return source;
  try {
    std::string text = source;
    // Searching from the start after every replacement is the contract, but
    // nothing before (position - search.size() + replacement.size()) can
    // form a new occurrence, so the search may resume a little before the
    // last replacement instead of at 0: same result, no quadratic rescans.
    std::size_t from = 0;
    for (;;) {
      const std::size_t at = text.find(search, from);
      if (at == std::string::npos) return text;
      text.replace(at, search.size(), replacement);
      const std::size_t back = search.size() > 1 ? search.size() - 1 : 0;
      from = at > back ? at - back : 0;
    }
  } catch (const std::bad_alloc&) {
    return source;
  }
}

std::string ExtractBaseName(const std::string& path, bool withExtension) {
  try {
    const std::size_t delimiter = platform::LastDelimiter(path);
    std::string name = delimiter == std::string_view::npos ? path : path.substr(delimiter + 1);
    if (!withExtension) {
      const std::size_t dot = name.rfind('.');
      if (dot != std::string::npos) name.erase(dot);
    }
    return name;
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

namespace {

// printf into a std::string: measures first, then formats into a buffer of
// the exact size.
std::string Printf(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  std::string text;
  const int needed = std::vsnprintf(nullptr, 0, format, args);
  if (needed >= 0) {
    try {
      std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
      if (std::vsnprintf(buffer.data(), buffer.size(), format, again) == needed) {
        text.assign(buffer.data(), static_cast<std::size_t>(needed));
      }
    } catch (const std::bad_alloc&) {
      text.clear();
    }
  }
  va_end(again);
  va_end(args);
  return text;
}

}  // namespace

std::string FormatInteger(std::int32_t value, std::int16_t digits) {
  // C prints zero with precision 0 as no characters at all; the text of 0 is "0".
  if (digits <= 1) return Printf("%d", static_cast<int>(value));
  return Printf("%.*d", static_cast<int>(digits), static_cast<int>(value));
}

std::string FormatDecimal(std::int16_t width, std::int16_t decimals, double value) {
  return Printf("%*.*f", width < 0 ? 0 : static_cast<int>(width), decimals < 0 ? 0 : static_cast<int>(decimals),
                value);
}
