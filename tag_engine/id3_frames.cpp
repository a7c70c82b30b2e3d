#include "tag_engine/id3_frames.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "tag_engine/id3_layout.h"
#include "tag_engine/text_codec.h"

namespace id3 {

namespace {

using id3text::Encoding;

constexpr std::size_t kV22IdSize = 3;
constexpr std::size_t kV22HeaderSize = 6;  // id, 3-byte size, no flags
constexpr std::size_t kDamageStep = 4;
constexpr std::uint8_t kV4Unsynchronised = 0x02;
constexpr std::uint8_t kV4DataLength = 0x01;
constexpr std::size_t kDataLengthSize = 4;

// v2.2 kinds and their v2.3 ids. Kinds missing here (CRM, LNK and the
// unknown) have no faithful v2.3 form.
constexpr std::pair<std::string_view, std::string_view> kV22Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"}, {"EQU", "EQUA"},
    {"GEO", "GEOB"}, {"GP1", "GRP1"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"MVI", "MVIN"},
    {"MVN", "MVNM"}, {"PCS", "PCST"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"},
    {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
    {"TCP", "TCMP"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
    {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"},
    {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"},
    {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"},
    {"TRK", "TRCK"}, {"TS2", "TSO2"}, {"TSA", "TSOA"}, {"TSC", "TSOC"}, {"TSI", "TSIZ"}, {"TSP", "TSOP"},
    {"TSS", "TSSE"}, {"TST", "TSOT"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
    {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"},
    {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
};

// v2.2 picture: encoding, a 3-letter image format, then as in v2.3.
constexpr std::size_t kV22FormatSize = 3;
constexpr std::pair<std::string_view, std::string_view> kV22ImageTypes[] = {{"JPG", "image/jpeg"},
                                                                            {"PNG", "image/png"}};

// Frames that exist only in v2.4 and have no v2.3 form.
constexpr std::string_view kV24Only[] = {"ASPI", "EQU2", "RVA2", "SEEK", "SIGN", "TDEN", "TDRL",
                                         "TDTG", "TMOO", "TPRO", "TSOA", "TSOP", "TSOT", "TSST"};

std::string BigEndianBytes(std::size_t n) {
  const auto b = EncodeBigEndian(static_cast<std::uint32_t>(n));
  return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

std::optional<std::string> PictureFromV22(std::string_view content) {
  if (content.size() < 1 + kV22FormatSize) return std::nullopt;
  const std::string_view format = content.substr(1, kV22FormatSize);
  std::string mime(format);
  for (const auto& [type, name] : kV22ImageTypes) {
    if (format == type) mime = name;
  }
  std::string out(content.substr(0, 1));
  out += mime;
  out += '\0';
  out += content.substr(1 + kV22FormatSize);
  return out;
}

// ---- the fields of frames that carry text, for re-encoding -------------

enum class Field {
  Fixed1,
  Fixed3,
  Fixed8,
  Latin1Term,   // ISO-8859-1 string with its terminator, whatever the encoding byte
  TextTerm,     // one string in the frame's encoding, with its terminator
  TextValues,   // strings to the end; several are joined with "/"
  TextStrings,  // strings to the end, kept apart (involved people)
  SyncedText,   // to the end: pairs of a string and a 4-byte time stamp
  Rest,         // bytes to the end, as they stand
};

// The layout of the frames whose first byte is a text encoding.
std::optional<std::vector<Field>> TextLayout(std::string_view id) {
  using F = Field;
  if (id == "TXXX") return std::vector<F>{F::TextTerm, F::TextValues};
  if (!id.empty() && id[0] == 'T') return std::vector<F>{F::TextValues};
  if (id == "WXXX") return std::vector<F>{F::TextTerm, F::Rest};
  if (id == "COMM" || id == "USLT") return std::vector<F>{F::Fixed3, F::TextTerm, F::TextValues};
  if (id == "APIC") return std::vector<F>{F::Latin1Term, F::Fixed1, F::TextTerm, F::Rest};
  if (id == "GEOB") return std::vector<F>{F::Latin1Term, F::TextTerm, F::TextTerm, F::Rest};
  if (id == "USER") return std::vector<F>{F::Fixed3, F::TextValues};
  if (id == "IPLS" || id == "TIPL" || id == "TMCL") return std::vector<F>{F::TextStrings};
  if (id == "SYLT") return std::vector<F>{F::Fixed3, F::Fixed1, F::Fixed1, F::TextTerm, F::SyncedText};
  if (id == "COMR") {
    return std::vector<F>{F::Latin1Term, F::Fixed8, F::Latin1Term, F::Fixed1,
                          F::TextTerm,   F::TextTerm, F::Latin1Term, F::Rest};
  }
  if (id == "OWNE") return std::vector<F>{F::Latin1Term, F::Fixed8, F::TextValues};
  return std::nullopt;
}

// One parsed field: bytes kept as they stand, or decoded strings.
struct Part {
  Field kind;
  std::string bytes;                 // Fixed*, Latin1Term (without terminator), Rest
  std::vector<std::string> strings;  // text fields, decoded
  std::vector<std::string> stamps;   // SyncedText: the time stamp after each string
};

std::optional<std::vector<Part>> ParseText(std::string_view content, const std::vector<Field>& layout) {
  if (content.empty() || !id3text::IsEncoding(static_cast<std::uint8_t>(content[0]))) return std::nullopt;
  const auto encoding = static_cast<Encoding>(content[0]);
  std::string_view rest = content.substr(1);
  std::vector<Part> parts;
  for (const Field kind : layout) {
    Part part{kind, {}, {}, {}};
    switch (kind) {
      case Field::Fixed1:
      case Field::Fixed3:
      case Field::Fixed8: {
        const std::size_t n = kind == Field::Fixed1 ? 1 : kind == Field::Fixed3 ? 3 : 8;
        if (rest.size() < n) return std::nullopt;
        part.bytes = rest.substr(0, n);
        rest.remove_prefix(n);
        break;
      }
      case Field::Latin1Term: {
        const std::size_t end = rest.find('\0');
        if (end == std::string_view::npos) return std::nullopt;
        part.bytes = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        break;
      }
      case Field::TextTerm: {
        if (id3text::FindTerminator(encoding, rest) == std::string_view::npos) return std::nullopt;
        part.strings.push_back(id3text::DecodeFirst(encoding, rest, &rest));
        break;
      }
      case Field::TextValues:
      case Field::TextStrings:
        part.strings = id3text::DecodeAll(encoding, rest);
        rest = {};
        break;
      case Field::SyncedText:
        while (!rest.empty()) {
          if (id3text::FindTerminator(encoding, rest) == std::string_view::npos) return std::nullopt;
          part.strings.push_back(id3text::DecodeFirst(encoding, rest, &rest));
          if (rest.size() < 4) return std::nullopt;
          part.stamps.emplace_back(rest.substr(0, 4));
          rest.remove_prefix(4);
        }
        break;
      case Field::Rest:
        part.bytes = rest;
        rest = {};
        break;
    }
    parts.push_back(std::move(part));
  }
  return parts;
}

std::string RenderText(const std::vector<Part>& parts) {
  bool latin1 = true;
  for (const Part& p : parts) {
    for (const std::string& s : p.strings) latin1 = latin1 && id3text::FitsLatin1(s);
  }
  const Encoding encoding = latin1 ? id3text::kLatin1 : id3text::kUtf16;
  auto text = [encoding](std::string_view s) {
    std::string bytes = id3text::Encode(encoding, s);
    bytes.append(id3text::TerminatorSize(encoding), '\0');
    return bytes;
  };
  std::string out(1, static_cast<char>(encoding));
  for (const Part& p : parts) {
    switch (p.kind) {
      case Field::Fixed1:
      case Field::Fixed3:
      case Field::Fixed8:
      case Field::Rest:
        out += p.bytes;
        break;
      case Field::Latin1Term:
        out += p.bytes;
        out += '\0';
        break;
      case Field::TextTerm:
        out += text(p.strings.empty() ? std::string() : p.strings[0]);
        break;
      case Field::TextValues:
        out += text(id3text::JoinValues(p.strings));
        break;
      case Field::TextStrings:
        for (const std::string& s : p.strings) out += text(s);
        break;
      case Field::SyncedText:
        for (std::size_t i = 0; i < p.strings.size(); ++i) {
          out += text(p.strings[i]);
          out += p.stamps[i];
        }
        break;
    }
  }
  return out;
}

// The content a v2.3 tag can hold for a v2.4 frame's text: unchanged when
// it is ISO-8859-1 or UTF-16 with one value per field; written again when
// it is UTF-16BE or UTF-8 or holds several values; nullopt when such a
// frame cannot be parsed.
std::optional<std::string> TextForV23(std::string_view id, const std::string& content) {
  const std::optional<std::vector<Field>> layout = TextLayout(id);
  if (!layout || content.empty()) return content;
  const auto encoding = static_cast<std::uint8_t>(content[0]);
  const bool foreign = encoding == id3text::kUtf16BigEndian || encoding == id3text::kUtf8;
  const std::optional<std::vector<Part>> parts = ParseText(content, *layout);
  if (!parts) {
    if (foreign) return std::nullopt;
    return content;
  }
  bool several = false;
  for (const Part& p : *parts) several = several || (p.kind == Field::TextValues && p.strings.size() > 1);
  if (!foreign && !several) return content;
  return RenderText(*parts);
}

// The fields of an ID3v2.4 time stamp, split the lenient way readers do:
// at "-", "T", ":", "/", "." and blanks; a field that is no number is 0.
std::array<int, 6> TimeStampFields(std::string_view text) {
  std::array<int, 6> fields{};
  std::size_t index = 0;
  std::string current;
  auto close = [&]() {
    if (index < fields.size()) {
      const bool number = !current.empty() && current.size() <= 9 &&
                          std::all_of(current.begin(), current.end(), [](char c) { return c >= '0' && c <= '9'; });
      fields[index] = number ? std::stoi(current) : 0;
    }
    ++index;
    current.clear();
  };
  for (const char c : text) {
    if (c == '-' || c == 'T' || c == ':' || c == '/' || c == '.' || c == ' ' || c == '\t') {
      close();
    } else {
      current += c;
    }
  }
  close();
  return fields;
}

std::string FirstText(const T_Frame_Mp3& frame) {
  const std::optional<std::size_t> start = PayloadStart(frame, 4);
  if (!start || *start >= frame.FrameContent.size()) return {};
  const std::string_view content = std::string_view(frame.FrameContent).substr(*start);
  const auto encoding = static_cast<std::uint8_t>(content[0]);
  if (!id3text::IsEncoding(encoding)) return {};
  const std::vector<std::string> values = id3text::DecodeAll(static_cast<Encoding>(encoding), content.substr(1));
  return values.empty() ? std::string() : values[0];
}

T_Frame_Mp3 TextFrame(std::string_view id, const std::string& value) {
  T_Frame_Mp3 frame;
  frame.FrameId = std::string(id);
  frame.FrameContent = EncodeValue(value);
  UpdateSize(frame);
  return frame;
}

std::string TwoDigits(int a, int b) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d", a, b);
  return text;
}

std::string RenderFrames(const std::vector<T_Frame_Mp3>& frames) {
  std::string out;
  for (const T_Frame_Mp3& f : frames) {
    out += f.FrameId.substr(0, kFrameIdSize);
    out += BigEndianBytes(f.FrameContent.size());
    out.append(reinterpret_cast<const char*>(f.FrameFlags.data()), f.FrameFlags.size());
    out += f.FrameContent;
  }
  return out;
}

// A chapter frame (CHAP, CTOC) of a v2.4 tag with its embedded frames in
// v2.3 form; nullopt when its layout does not parse.
std::optional<std::string> ChapterForV23(std::string_view id, const std::string& content) {
  std::size_t at = content.find('\0');  // element id
  if (at == std::string::npos) return std::nullopt;
  ++at;
  if (id == "CHAP") {
    at += 16;  // start and end times and offsets
  } else {
    if (at + 2 > content.size()) return std::nullopt;
    const auto entries = static_cast<unsigned char>(content[at + 1]);
    at += 2;  // flags, entry count
    for (unsigned i = 0; i < entries; ++i) {
      const std::size_t end = content.find('\0', at);
      if (end == std::string::npos) return std::nullopt;
      at = end + 1;
    }
  }
  if (at > content.size()) return std::nullopt;
  std::string embedded = content.substr(at);
  const std::size_t size = embedded.size();
  std::vector<T_Frame_Mp3> frames;
  if (!WalkFrames(embedded, 0, size, 4, [size](std::size_t n) { return n <= size; }, frames)) return std::nullopt;
  std::string out = content.substr(0, at);
  out += RenderFrames(ConvertV24ToV23(frames));
  return out;
}

bool Has(const std::vector<T_Frame_Mp3>& frames, std::string_view id) {
  return std::any_of(frames.begin(), frames.end(), [id](const T_Frame_Mp3& f) { return f.FrameId == id; });
}

std::uint8_t StatusFlagsFromV4(std::uint8_t v4) {
  std::uint8_t v3 = 0;
  if (v4 & kV4TagAlter) v3 |= kV3TagAlter;
  if (v4 & kV4FileAlter) v3 |= kV3FileAlter;
  if (v4 & kV4ReadOnly) v3 |= kV3ReadOnly;
  return v3;
}

}  // namespace

bool IsWellFormedId(std::string_view id) {
  if (id.empty()) return false;
  return std::all_of(id.begin(), id.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

std::string RemoveUnsynchronisation(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    if (static_cast<unsigned char>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
  }
  return out;
}

std::optional<std::string_view> V23IdOfV22(std::string_view id) {
  for (const auto& [v22, v23] : kV22Ids) {
    if (v22 == id) return v23;
  }
  return std::nullopt;
}

bool WalkFrames(std::string& data, std::size_t at, std::size_t end, int major,
                const std::function<bool(std::size_t)>& have, std::vector<T_Frame_Mp3>& out,
                const std::function<void(const T_Frame_Mp3&)>& onFrame, bool allUnsynchronised) {
  const bool v22 = major == 2, v24 = major == 4;
  const std::size_t idSize = v22 ? kV22IdSize : kFrameIdSize;
  const std::size_t headerSize = v22 ? kV22HeaderSize : kFrameHeaderSize;
  auto byte = [&data](std::size_t i) { return static_cast<unsigned char>(data[i]); };
  // Whether a frame may end at `pos`: the end of the list, padding, or the
  // next frame's id. Used to choose between the two size readings of v2.4.
  auto plausibleEnd = [&](std::size_t pos) {
    if (pos == end) return true;
    if (pos > end || !have(pos + 1)) return false;
    if (byte(pos) == 0) return true;
    return have(pos + kFrameIdSize) && IsWellFormedId(std::string_view(data.data() + pos, kFrameIdSize));
  };
  while (at < end) {
    if (!have(at + 1)) return false;
    if (byte(at) == 0) return true;  // padding
    if (!have(at + idSize)) return false;
    if (!IsWellFormedId(std::string_view(data.data() + at, idSize))) {
      at += kDamageStep;
      continue;
    }
    if (!have(at + headerSize)) return false;
    const std::size_t sizeAt = at + idSize;
    const std::size_t contentAt = at + headerSize;
    std::uint64_t size;
    if (v22) {
      size = (std::uint64_t{byte(sizeAt)} << 16) | (std::uint64_t{byte(sizeAt + 1)} << 8) | byte(sizeAt + 2);
    } else {
      const auto* b = reinterpret_cast<const unsigned char*>(data.data() + sizeAt);
      const std::uint64_t plain = DecodeBigEndian(b);
      if (v24 && !((b[0] | b[1] | b[2] | b[3]) & 0x80)) {
        // Some writers put plain sizes into v2.4 tags; the reading that
        // lands on the next frame wins, syncsafe when both do.
        const std::uint64_t syncsafe = DecodeSyncsafe(b);
        size = syncsafe;
        if (syncsafe != plain && !plausibleEnd(contentAt + syncsafe) && plausibleEnd(contentAt + plain)) size = plain;
      } else {
        if (b[0] & 0x80) return false;  // a negative 32-bit size
        size = plain;
      }
    }
    T_Frame_Mp3 frame;
    frame.FrameId.assign(data, at, idSize);
    if (!v22) frame.FrameFlags = {byte(at + 8), byte(at + 9)};
    if (!have(contentAt + size)) return false;  // checked before anything is allocated for the content
    frame.FrameContent.assign(data, contentAt, static_cast<std::size_t>(size));
    at = contentAt + static_cast<std::size_t>(size);

    if (v22) {
      const std::optional<std::string_view> id = V23IdOfV22(frame.FrameId);
      if (!id) continue;
      frame.FrameId = std::string(*id);
      if (frame.FrameId == "APIC") {
        std::optional<std::string> picture = PictureFromV22(frame.FrameContent);
        if (!picture) continue;
        frame.FrameContent = std::move(*picture);
      }
    } else if (v24) {
      const std::uint8_t format = frame.FrameFlags[1];
      if ((format & kV4Unsynchronised) || allUnsynchronised) {
        frame.FrameContent = RemoveUnsynchronisation(frame.FrameContent);
      }
      if (format & kV4DataLength) {
        const std::size_t skip = ((format & kV4Grouping) ? 1 : 0) + ((format & kV4Encryption) ? 1 : 0);
        if (frame.FrameContent.size() >= skip + kDataLengthSize) frame.FrameContent.erase(skip, kDataLengthSize);
      }
    }
    UpdateSize(frame);
    out.push_back(std::move(frame));
    if (onFrame) onFrame(out.back());
  }
  return true;
}

std::optional<std::size_t> PayloadStart(const T_Frame_Mp3& frame, int major) {
  const std::uint8_t format = frame.FrameFlags[1];
  if (major == 4) {
    if (format & (kV4Compression | kV4Encryption)) return std::nullopt;
    return (format & kV4Grouping) ? 1 : 0;
  }
  if (format & (kV3Compression | kV3Encryption)) return std::nullopt;
  return (format & kV3Grouping) ? 1 : 0;
}

std::vector<T_Frame_Mp3> ConvertV24ToV23(const std::vector<T_Frame_Mp3>& frames) {
  std::vector<T_Frame_Mp3> out;
  bool peopleDone = Has(frames, "IPLS");
  for (const T_Frame_Mp3& frame : frames) {
    const std::string_view id = frame.FrameId;
    const std::optional<std::size_t> start = PayloadStart(frame, 4);
    if (!start || *start > frame.FrameContent.size()) continue;  // compressed or encrypted
    if (std::find(std::begin(kV24Only), std::end(kV24Only), id) != std::end(kV24Only)) continue;

    if (id == "TDRC") {
      const std::array<int, 6> t = TimeStampFields(FirstText(frame));
      if (t[1] && t[2] && !Has(frames, "TDAT") && !Has(out, "TDAT")) out.push_back(TextFrame("TDAT", TwoDigits(t[2], t[1])));
      if (t[3] && t[4] && !Has(frames, "TIME") && !Has(out, "TIME")) out.push_back(TextFrame("TIME", TwoDigits(t[3], t[4])));
      continue;
    }
    if (id == "TDOR") {
      const int year = TimeStampFields(FirstText(frame))[0];
      if (year && !Has(frames, "TORY") && !Has(out, "TORY")) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d", year);
        out.push_back(TextFrame("TORY", text));
      }
      continue;
    }
    if (id == "TIPL" || id == "TMCL") {
      if (peopleDone) continue;
      peopleDone = true;
      // One IPLS holds the people of both, in their order.
      std::vector<std::string> people;
      for (const T_Frame_Mp3& f : frames) {
        if (f.FrameId != "TIPL" && f.FrameId != "TMCL") continue;
        const std::optional<std::size_t> s = PayloadStart(f, 4);
        if (!s || *s >= f.FrameContent.size()) continue;
        const std::optional<std::vector<Part>> parts =
            ParseText(std::string_view(f.FrameContent).substr(*s), {Field::TextStrings});
        if (parts) people.insert(people.end(), (*parts)[0].strings.begin(), (*parts)[0].strings.end());
      }
      T_Frame_Mp3 ipls;
      ipls.FrameId = "IPLS";
      ipls.FrameContent = RenderText({Part{Field::TextStrings, {}, people, {}}});
      UpdateSize(ipls);
      out.push_back(std::move(ipls));
      continue;
    }

    const std::string prefix = frame.FrameContent.substr(0, *start);
    const std::string payload = frame.FrameContent.substr(*start);
    std::optional<std::string> converted =
        (id == "CHAP" || id == "CTOC") ? ChapterForV23(id, payload) : TextForV23(id, payload);
    if (!converted) continue;
    T_Frame_Mp3 v23;
    v23.FrameId = frame.FrameId;
    v23.FrameFlags = {StatusFlagsFromV4(frame.FrameFlags[0]),
                      static_cast<std::uint8_t>((frame.FrameFlags[1] & kV4Grouping) ? kV3Grouping : 0)};
    v23.FrameContent = prefix;
    v23.FrameContent += *converted;
    UpdateSize(v23);
    out.push_back(std::move(v23));
  }
  return out;
}

std::string EncodeValue(std::string_view utf8) {
  // Built by appending: GCC 12 at -O3 reports a false -Wrestrict for a
  // chain of std::string additions.
  const Encoding encoding = id3text::EncodingFor(utf8);
  std::string bytes(1, static_cast<char>(encoding));
  bytes += id3text::Encode(encoding, utf8);
  bytes.append(id3text::TerminatorSize(encoding), '\0');
  return bytes;
}

void UpdateSize(T_Frame_Mp3& frame) {
  frame.FrameSize = EncodeBigEndian(static_cast<std::uint32_t>(frame.FrameContent.size()));
}

}  // namespace id3
