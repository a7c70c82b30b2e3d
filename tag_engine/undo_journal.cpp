#include "tag_engine/undo_journal.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <map>
#include <random>

#include "platform/file_io.h"
#include "platform/file_system.h"

namespace undo {

namespace {

constexpr std::string_view kMagic = "QLNUNDO1";
constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kRecordHead = 5;  // length, kind
constexpr std::size_t kRecordCheck = 8;
constexpr std::uint8_t kEntryRecord = 1, kStampRecord = 2, kDoneRecord = 3, kChangingRecord = 4;
constexpr std::uint8_t kDoneRestored = 0, kDoneLeft = 1, kDoneWithdrawn = 2;
// Frame contents shorter than this are kept literally: a reference costs
// more than it saves.
constexpr std::size_t kMinReferenced = 64;
// Zero runs at least this long become a Zeros span.
constexpr std::size_t kMinZeroRun = 32;
// Bounds of the search for one frame's content in the old region: candidate
// positions looked at, and positions compared in full.
constexpr int kSearchCandidates = 1 << 16;
constexpr int kFullCompares = 4;
constexpr std::size_t kPrefixCompare = 16;
// The tag writer's names: its temporary file in the data folder, and the
// copy it places beside a target on another file system.
constexpr const char* kTempName = "tmp.mp3";
constexpr const char* kBesideName = ".quillon-tmp.mp3";
constexpr std::size_t kZeroChunk = 64 * 1024;
// Zero bytes kept ahead of the journal's records.
constexpr std::uint64_t kJournalReserve = 256 * 1024;

constexpr std::uint64_t kMulA = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMulB = 0xBF58476D1CE4E5B9ull;

std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// ---- little-endian encoding ----

void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }
void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void PutU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

// Reads from a byte range, every read checked against what is left.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool U8(std::uint8_t& v) {
    if (Left() < 1) return false;
    v = static_cast<std::uint8_t>(bytes_[at_++]);
    return true;
  }
  bool U32(std::uint32_t& v) {
    if (Left() < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{static_cast<std::uint8_t>(bytes_[at_ + i])} << (8 * i);
    at_ += 4;
    return true;
  }
  bool U64(std::uint64_t& v) {
    if (Left() < 8) return false;
    v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t{static_cast<std::uint8_t>(bytes_[at_ + i])} << (8 * i);
    at_ += 8;
    return true;
  }
  bool Bytes(std::uint64_t n, std::string& out) {
    if (Left() < n) return false;
    out.assign(bytes_.data() + at_, static_cast<std::size_t>(n));
    at_ += static_cast<std::size_t>(n);
    return true;
  }
  std::size_t Left() const { return bytes_.size() - at_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

std::string Record(std::uint64_t runId, std::uint8_t kind, const std::string& body) {
  std::string out;
  out.reserve(kRecordHead + body.size() + kRecordCheck);
  PutU32(out, static_cast<std::uint32_t>(body.size()));
  PutU8(out, kind);
  out += body;
  PutU64(out, Checksum(out, runId));
  return out;
}

bool Sum(std::uint64_t a, std::uint64_t b, std::uint64_t& out) {
  if (a > UINT64_MAX - b) return false;
  out = a + b;
  return true;
}

std::optional<Entry> ParseEntry(std::string_view body) {
  Reader r(body);
  Entry e;
  std::uint32_t pathLength = 0, spans = 0, tailLength = 0;
  if (!r.U32(e.seq) || !r.U32(pathLength) || !r.Bytes(pathLength, e.path)) return std::nullopt;
  if (!r.U64(e.oldSize) || !r.U64(e.oldFingerprint) || !r.U64(e.newTagLength) || !r.U64(e.bodyLength) ||
      !r.U64(e.newSize) || !r.U64(e.newFingerprint) || !r.U64(e.oldRegionLength) || !r.U64(e.oldRegionChecksum) ||
      !r.U32(spans))
    return std::nullopt;
  if (e.path.empty() || e.path.find('\0') != std::string::npos) return std::nullopt;
  // Each span takes at least 9 bytes: a count beyond what is left is a lie.
  if (spans > r.Left() / 9) return std::nullopt;
  std::uint64_t covered = 0;
  for (std::uint32_t i = 0; i < spans; ++i) {
    Span s;
    std::uint8_t kind = 0;
    if (!r.U8(kind)) return std::nullopt;
    if (kind == static_cast<std::uint8_t>(Span::Kind::Literal)) {
      std::uint32_t n = 0;
      if (!r.U32(n) || n == 0 || !r.Bytes(n, s.bytes)) return std::nullopt;
      s.kind = Span::Kind::Literal;
      s.length = n;
    } else if (kind == static_cast<std::uint8_t>(Span::Kind::Zeros)) {
      if (!r.U64(s.length) || s.length == 0) return std::nullopt;
      s.kind = Span::Kind::Zeros;
    } else if (kind == static_cast<std::uint8_t>(Span::Kind::NewFile)) {
      std::uint64_t end = 0;
      if (!r.U64(s.offset) || !r.U64(s.length) || !r.U64(s.checksum) || s.length == 0) return std::nullopt;
      if (!Sum(s.offset, s.length, end) || end > e.newTagLength) return std::nullopt;
      s.kind = Span::Kind::NewFile;
    } else {
      return std::nullopt;
    }
    if (!Sum(covered, s.length, covered)) return std::nullopt;
    e.oldRegion.push_back(std::move(s));
  }
  if (!r.U32(tailLength) || tailLength > kMaxTail || !r.Bytes(tailLength, e.oldTail) || r.Left() != 0)
    return std::nullopt;
  std::uint64_t oldSize = 0, newSize = 0;
  if (covered != e.oldRegionLength || !Sum(e.oldRegionLength, e.bodyLength, oldSize) ||
      !Sum(oldSize, tailLength, oldSize) || oldSize != e.oldSize)
    return std::nullopt;
  if (!Sum(e.newTagLength, e.bodyLength, newSize) || !Sum(newSize, tailLength, newSize) || newSize > e.newSize)
    return std::nullopt;
  return e;
}

bool ParseStamp(std::string_view body, std::uint32_t& seq, Stamp& stamp) {
  Reader r(body);
  std::uint64_t modified = 0;
  if (!r.U32(seq) || !r.U64(stamp.size) || !r.U64(modified) || r.Left() != 0) return false;
  stamp.modifiedNs = static_cast<std::int64_t>(modified);
  return true;
}

bool ParseChanging(std::string_view body, std::uint32_t& seq, std::uint64_t& size) {
  Reader r(body);
  return r.U32(seq) && r.U64(size) && r.Left() == 0;
}

bool ParseDone(std::string_view body, std::uint32_t& seq, bool& restored, Stamp& stamp) {
  Reader r(body);
  std::uint8_t outcome = 0;
  std::uint64_t modified = 0;
  if (!r.U32(seq) || !r.U8(outcome) || !r.U64(stamp.size) || !r.U64(modified) || r.Left() != 0) return false;
  if (outcome != kDoneRestored && outcome != kDoneLeft && outcome != kDoneWithdrawn) return false;
  restored = outcome == kDoneRestored;
  stamp.modifiedNs = static_cast<std::int64_t>(modified);
  return true;
}

std::optional<Stamp> StampOf(platform::File& file) {
  const std::optional<std::uint64_t> size = file.Size();
  const std::optional<std::int64_t> modified = file.ModifiedNs();
  if (!size || !modified) return std::nullopt;
  return Stamp{*size, *modified};
}

std::uint64_t RandomRunId() {
  std::random_device device;
  return (std::uint64_t{device()} << 32) ^ device();
}

// Bounded search for `needle` in `hay` from `from`: npos when not found
// within the bounds.
std::size_t FindBounded(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty() || hay.size() < needle.size()) return std::string_view::npos;
  const std::size_t last = hay.size() - needle.size();
  const std::size_t prefix = std::min(needle.size(), kPrefixCompare);
  int candidates = kSearchCandidates, full = kFullCompares;
  std::size_t at = from;
  while (at <= last && candidates-- > 0) {
    const void* hit = std::memchr(hay.data() + at, needle[0], last - at + 1);
    if (!hit) return std::string_view::npos;
    at = static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data());
    if (std::memcmp(hay.data() + at, needle.data(), prefix) == 0) {
      if (std::memcmp(hay.data() + at, needle.data(), needle.size()) == 0) return at;
      if (--full == 0) return std::string_view::npos;
    }
    ++at;
  }
  return std::string_view::npos;
}

// Literal and zero spans for a stretch of the old region.
void AddGap(std::string_view gap, std::vector<Span>& out) {
  std::size_t at = 0;
  auto literal = [&out](std::string_view bytes) {
    if (bytes.empty()) return;
    // A literal span's length field is 32 bits.
    while (!bytes.empty()) {
      const std::size_t n = std::min<std::size_t>(bytes.size(), UINT32_MAX);
      Span s;
      s.kind = Span::Kind::Literal;
      s.bytes.assign(bytes.substr(0, n));
      s.length = n;
      out.push_back(std::move(s));
      bytes.remove_prefix(n);
    }
  };
  std::size_t literalStart = 0;
  while (at < gap.size()) {
    if (gap[at] != '\0') {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < gap.size() && gap[end] == '\0') ++end;
    if (end - at >= kMinZeroRun) {
      literal(gap.substr(literalStart, at - literalStart));
      Span s;
      s.kind = Span::Kind::Zeros;
      s.length = end - at;
      out.push_back(std::move(s));
      literalStart = end;
    }
    at = end;
  }
  literal(gap.substr(literalStart));
}

std::uint32_t BigEndian32(const char* p) {
  return (std::uint32_t{static_cast<std::uint8_t>(p[0])} << 24) | (std::uint32_t{static_cast<std::uint8_t>(p[1])} << 16) |
         (std::uint32_t{static_cast<std::uint8_t>(p[2])} << 8) | std::uint32_t{static_cast<std::uint8_t>(p[3])};
}

}  // namespace

// ---- checksum ----

Checksum64::Checksum64(std::uint64_t seed) : state_(seed ^ kMulB) {}

void Checksum64::Mix(std::uint64_t word) { state_ = Rotl(state_ ^ (word * kMulA), 29) * kMulB; }

void Checksum64::Add(const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  length_ += length;
  while (length > 0 && pendingCount_ > 0 && pendingCount_ < 8) {
    pending_[pendingCount_++] = *p++;
    --length;
    if (pendingCount_ == 8) {
      std::uint64_t w = 0;
      for (int i = 0; i < 8; ++i) w |= std::uint64_t{pending_[i]} << (8 * i);
      Mix(w);
      pendingCount_ = 0;
    }
  }
  while (length >= 8) {
    std::uint64_t w = 0;
    for (int i = 0; i < 8; ++i) w |= std::uint64_t{p[i]} << (8 * i);
    Mix(w);
    p += 8;
    length -= 8;
  }
  while (length > 0) {
    pending_[pendingCount_++] = *p++;
    --length;
  }
}

std::uint64_t Checksum64::Value() const {
  std::uint64_t h = state_;
  std::uint64_t w = 0;
  for (std::size_t i = 0; i < pendingCount_; ++i) w |= std::uint64_t{pending_[i]} << (8 * i);
  h = Rotl(h ^ ((w ^ length_) * kMulA), 29) * kMulB;
  // Final avalanche.
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  return h;
}

std::uint64_t Checksum(std::string_view bytes, std::uint64_t seed) {
  Checksum64 c(seed);
  c.Add(bytes);
  return c.Value();
}

std::optional<std::uint64_t> Fingerprint(platform::File& file, std::uint64_t size, std::uint64_t head,
                                         std::uint64_t tail) {
  if (head > size || tail > size || head > kFingerprintHead || tail > kMaxTail) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(head + tail), '\0');
  if (head > 0 && !file.ReadAt(0, bytes.data(), static_cast<std::size_t>(head))) return std::nullopt;
  if (tail > 0 && !file.ReadAt(size - tail, bytes.data() + head, static_cast<std::size_t>(tail))) return std::nullopt;
  Checksum64 c;
  c.Add(bytes);
  PutU64(bytes, head);  // the split point counts too
  c.Add(bytes.data() + bytes.size() - 8, 8);
  return c.Value();
}

std::uint64_t Entry::OldHead() const { return std::min(oldSize, kFingerprintHead); }
std::uint64_t Entry::OldTailLength() const { return std::min<std::uint64_t>(oldSize, kMaxTail); }
std::uint64_t Entry::NewHead() const {
  const std::uint64_t unchanged = newTagLength + bodyLength;  // sizes checked when parsed or built
  return std::min(unchanged, kFingerprintHead);
}

// ---- encoding ----

std::string EncodeHeader(std::uint64_t runId) {
  std::string out(kMagic);
  PutU64(out, runId);
  PutU64(out, Checksum(out, 0));
  return out;
}

std::string EncodeEntry(std::uint64_t runId, const Entry& e) {
  std::string body;
  PutU32(body, e.seq);
  PutU32(body, static_cast<std::uint32_t>(e.path.size()));
  body += e.path;
  for (std::uint64_t v : {e.oldSize, e.oldFingerprint, e.newTagLength, e.bodyLength, e.newSize, e.newFingerprint,
                          e.oldRegionLength, e.oldRegionChecksum})
    PutU64(body, v);
  PutU32(body, static_cast<std::uint32_t>(e.oldRegion.size()));
  for (const Span& s : e.oldRegion) {
    PutU8(body, static_cast<std::uint8_t>(s.kind));
    switch (s.kind) {
      case Span::Kind::Literal:
        PutU32(body, static_cast<std::uint32_t>(s.bytes.size()));
        body += s.bytes;
        break;
      case Span::Kind::Zeros:
        PutU64(body, s.length);
        break;
      case Span::Kind::NewFile:
        PutU64(body, s.offset);
        PutU64(body, s.length);
        PutU64(body, s.checksum);
        break;
    }
  }
  PutU32(body, static_cast<std::uint32_t>(e.oldTail.size()));
  body += e.oldTail;
  return Record(runId, kEntryRecord, body);
}

std::string EncodeStamp(std::uint64_t runId, std::uint32_t seq, const Stamp& stamp) {
  std::string body;
  PutU32(body, seq);
  PutU64(body, stamp.size);
  PutU64(body, static_cast<std::uint64_t>(stamp.modifiedNs));
  return Record(runId, kStampRecord, body);
}

std::string EncodeDone(std::uint64_t runId, std::uint32_t seq, bool restored, const Stamp& stamp) {
  std::string body;
  PutU32(body, seq);
  PutU8(body, restored ? kDoneRestored : kDoneLeft);
  PutU64(body, stamp.size);
  PutU64(body, static_cast<std::uint64_t>(stamp.modifiedNs));
  return Record(runId, kDoneRecord, body);
}

std::string EncodeChanging(std::uint64_t runId, std::uint32_t seq, std::uint64_t newSize) {
  std::string body;
  PutU32(body, seq);
  PutU64(body, newSize);
  return Record(runId, kChangingRecord, body);
}

std::string EncodeWithdrawn(std::uint64_t runId, std::uint32_t seq) {
  std::string body;
  PutU32(body, seq);
  PutU8(body, kDoneWithdrawn);
  PutU64(body, 0);
  PutU64(body, 0);
  return Record(runId, kDoneRecord, body);
}

// ---- reading ----

std::optional<Contents> ParseJournal(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
  Reader header(bytes.substr(kMagic.size(), 16));
  std::uint64_t runId = 0, check = 0;
  header.U64(runId);
  header.U64(check);
  if (Checksum(bytes.substr(0, 16), 0) != check) return std::nullopt;

  Contents c;
  c.runId = runId;
  std::vector<Entry> entries;                     // in seq order: seq == index
  std::vector<bool> done;
  std::map<std::uint32_t, Stamp> restoredStamps;  // seq -> stamp an undo left
  std::size_t at = kHeaderSize;
  while (bytes.size() - at >= kRecordHead + kRecordCheck) {
    Reader head(bytes.substr(at, kRecordHead));
    std::uint32_t length = 0;
    std::uint8_t kind = 0;
    head.U32(length);
    head.U8(kind);
    if (length > kMaxRecordBody || bytes.size() - at - kRecordHead - kRecordCheck < length) break;
    const std::string_view record = bytes.substr(at, kRecordHead + length);
    Reader tail(bytes.substr(at + kRecordHead + length, kRecordCheck));
    std::uint64_t sum = 0;
    tail.U64(sum);
    if (Checksum(record, runId) != sum) break;
    const std::string_view body = record.substr(kRecordHead);
    std::uint32_t seq = 0;
    Stamp stamp;
    if (kind == kEntryRecord) {
      std::optional<Entry> e = ParseEntry(body);
      // Entries come numbered from 0 without gaps.
      if (!e || e->seq != entries.size()) break;
      entries.push_back(std::move(*e));
      done.push_back(false);
    } else if (kind == kStampRecord) {
      if (!ParseStamp(body, seq, stamp) || seq >= entries.size()) break;
      entries[seq].stamp = stamp;
      entries[seq].changingTo.reset();
    } else if (kind == kChangingRecord) {
      std::uint64_t size = 0;
      if (!ParseChanging(body, seq, size) || seq >= entries.size()) break;
      entries[seq].changingTo = size;
    } else if (kind == kDoneRecord) {
      bool restored = false;
      if (!ParseDone(body, seq, restored, stamp) || seq >= entries.size()) break;
      done[seq] = true;
      if (restored) restoredStamps[seq] = stamp;
    } else {
      break;
    }
    at += kRecordHead + length + kRecordCheck;
  }
  c.validLength = at;

  // What an undo left on a path: for each entry, the stamp of the nearest
  // later entry of the same path that an undo restored (its file is then
  // this entry's new file again).
  std::map<std::string, std::optional<Stamp>> later;
  std::vector<std::optional<Stamp>> restoredLater(entries.size());
  for (std::size_t i = entries.size(); i-- > 0;) {
    auto it = later.find(entries[i].path);
    if (it != later.end()) restoredLater[i] = it->second;
    auto r = restoredStamps.find(static_cast<std::uint32_t>(i));
    later[entries[i].path] = r == restoredStamps.end() ? std::nullopt : std::optional<Stamp>(r->second);
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (done[i]) continue;
    c.pending.push_back(std::move(entries[i]));
    c.restoredLater.push_back(restoredLater[i]);
  }
  return c;
}

std::optional<Contents> ReadJournal(const std::string& path) {
  try {
    if (!platform::IsExistingFile(path)) return std::nullopt;
    std::optional<platform::File> file = platform::File::OpenRead(path);
    if (!file) return std::nullopt;
    const std::optional<std::uint64_t> size = file->Size();
    if (!size || *size > SIZE_MAX / 2) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    if (!bytes.empty() && !file->ReadAt(0, bytes.data(), bytes.size())) return std::nullopt;
    return ParseJournal(bytes);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// ---- spans ----

std::vector<Span> SpansOf(std::string_view oldRegion, std::string_view newTag) {
  std::vector<Span> out;
  // The new tag is this program's own: a 10-byte header, then frames of a
  // 4-byte id, a plain 4-byte size and 2 flag bytes. Anything else ends the
  // walk; what was not matched is kept literally.
  constexpr std::size_t kTagHeader = 10, kFrameHeader = 10;
  std::size_t cursor = 0;  // frames keep their order: search on from the last match
  std::size_t at = kTagHeader;
  while (newTag.size() >= kTagHeader && at + kFrameHeader <= newTag.size()) {
    const std::uint32_t size = BigEndian32(newTag.data() + at + 4);
    const std::size_t content = at + kFrameHeader;
    if (newTag[at] == '\0' || size > newTag.size() - content) break;
    at = content + size;
    if (size < kMinReferenced) continue;
    const std::string_view needle = newTag.substr(content, size);
    const std::size_t found = FindBounded(oldRegion, needle, cursor);
    if (found == std::string_view::npos) continue;
    AddGap(oldRegion.substr(cursor, found - cursor), out);
    Span s;
    s.kind = Span::Kind::NewFile;
    s.offset = content;
    s.length = size;
    s.checksum = Checksum(needle);
    out.push_back(std::move(s));
    cursor = found + size;
  }
  AddGap(oldRegion.substr(cursor), out);
  return out;
}

// ---- writing ----

Writer::Writer(std::string journalPath) : path_(std::move(journalPath)), runId_(RandomRunId()) {}

Writer::~Writer() = default;

bool Writer::Append(const std::string& record) {
  if (!file_) return false;
  if (end_ + record.size() > capacity_) {
    // Zeros ahead of the records: appends then write within the file's
    // length, and their sync needs no change of the file's size.
    const std::uint64_t grown = end_ + record.size() + kJournalReserve;
    const std::string zeros(static_cast<std::size_t>(grown - capacity_), '\0');
    if (!file_->WriteAt(capacity_, zeros.data(), zeros.size())) return false;
    capacity_ = grown;
  }
  if (!file_->WriteAt(end_, record.data(), record.size())) return false;
  end_ += record.size();
  return true;
}

bool Writer::BeforeReplace(const TagReplacement& r) {
  try {
    if (r.audioStart > r.oldSize || r.oldSize - r.audioStart > r.newSize || r.newTag.size() > r.newSize)
      return false;
    Entry e;
    e.seq = nextSeq_;
    e.path = r.path;
    e.oldSize = r.oldSize;
    const std::uint64_t rest = r.oldSize - r.audioStart;
    const std::uint64_t tail = std::min<std::uint64_t>(rest, kMaxTail);
    e.bodyLength = rest - tail;
    e.newTagLength = r.newTag.size();
    e.newSize = r.newSize;
    e.oldRegionLength = r.audioStart;

    std::string region(static_cast<std::size_t>(r.audioStart), '\0');
    if (!region.empty() && !r.oldFile.ReadAt(0, region.data(), region.size())) return false;
    e.oldRegionChecksum = Checksum(region);
    e.oldTail.assign(static_cast<std::size_t>(tail), '\0');
    if (tail > 0 && !r.oldFile.ReadAt(r.oldSize - tail, e.oldTail.data(), e.oldTail.size())) return false;
    const std::optional<std::uint64_t> oldPrint = Fingerprint(r.oldFile, r.oldSize, e.OldHead(), e.OldTailLength());
    if (!oldPrint) return false;
    e.oldFingerprint = *oldPrint;

    // The new file's first bytes: the new tag, then the old file from the
    // end of its tag region on.
    const std::uint64_t newHead = e.NewHead();
    std::string head(r.newTag.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(newHead, r.newTag.size()))));
    if (head.size() < newHead) {
      const std::size_t more = static_cast<std::size_t>(newHead - head.size());
      head.resize(head.size() + more);
      if (!r.oldFile.ReadAt(r.audioStart, head.data() + head.size() - more, more)) return false;
    }
    {
      Checksum64 c;
      c.Add(head);
      std::string split;
      PutU64(split, newHead);
      c.Add(split);
      e.newFingerprint = c.Value();
    }
    e.oldRegion = SpansOf(region, r.newTag);
    region = std::string();
    const std::string record = EncodeEntry(runId_, e);

    Withdraw();
    if (!file_) {
      // A fresh journal, complete and synced before it replaces the last
      // run's: until then that one stays whole.
      const std::string fresh = path_ + ".new";
      std::optional<platform::File> f = platform::File::CreateTruncate(fresh);
      if (!f) return false;
      const std::string header = EncodeHeader(runId_);
      std::string first = header + record;
      const std::size_t used = first.size();
      first.resize(used + kJournalReserve, '\0');
      if (!f->WriteAt(0, first.data(), first.size()) || !f->Sync() || !platform::RenameFile(fresh, path_)) {
        f.reset();
        (void)platform::RemoveFile(fresh);
        return false;
      }
      (void)platform::SyncFolder(platform::FolderOf(path_));
      file_ = std::move(f);
      end_ = used;
      capacity_ = first.size();
    } else if (!Append(record) || !file_->SyncData()) {
      return false;
    }
    unsynced_ = false;
    ++nextSeq_;
    lastPath_ = r.path;
    awaitingReplace_ = true;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void Writer::Withdraw() {
  if (!awaitingReplace_) return;
  awaitingReplace_ = false;
  // Not replaced after all: the file kept its bytes, so the entry goes. If
  // this record is lost, an undo finds the file with its old bytes anyway.
  if (Append(EncodeWithdrawn(runId_, nextSeq_ - 1))) unsynced_ = true;
}

void Writer::BeforeChange(const std::string& path, std::uint64_t newSize) {
  if (!file_ || nextSeq_ == 0 || path != lastPath_) return;
  try {
    // Written before the change: a kill in the middle of it must not make
    // the file look changed by someone else.
    if (Append(EncodeChanging(runId_, nextSeq_ - 1, newSize))) unsynced_ = true;
  } catch (const std::exception&) {
  }
}

void Writer::AfterReplace(const std::string& path) {
  if (!file_ || nextSeq_ == 0 || path != lastPath_) return;
  awaitingReplace_ = false;
  try {
    std::optional<platform::File> f = platform::File::OpenRead(path);
    if (!f) return;
    const std::optional<Stamp> stamp = StampOf(*f);
    // A stamp that cannot be written leaves the entry without it; an undo
    // then recognises the file by its size and fingerprint.
    if (stamp && Append(EncodeStamp(runId_, nextSeq_ - 1, *stamp))) unsynced_ = true;
  } catch (const std::exception&) {
  }
}

bool Writer::Finish() {
  Withdraw();
  if (!file_ || !unsynced_) return true;
  unsynced_ = false;
  return file_->SyncData();
}

// ---- undo ----

std::optional<Session> Session::Open(const std::string& journalPath, const std::string& dataFolder) {
  std::optional<Contents> contents = ReadJournal(journalPath);
  if (!contents) return std::nullopt;
  Session s;
  s.journalPath_ = journalPath;
  s.dataFolder_ = dataFolder;
  s.contents_ = std::move(*contents);
  for (std::size_t i = s.contents_.pending.size(); i-- > 0;) s.order_.push_back(i);
  s.expected_ = s.contents_.restoredLater;
  return s;
}

Session::~Session() = default;

const Entry& Session::At(std::size_t i) const { return contents_.pending[order_[i]]; }

Outcome Session::Check(const Entry& e, platform::File& file, const std::optional<Stamp>& expected,
                       const std::optional<std::uint64_t>& changing, Stamp& now) {
  const std::optional<Stamp> stamp = StampOf(file);
  if (!stamp) return Outcome::Failed;
  now = *stamp;
  if (now.size == e.oldSize) {
    const std::optional<std::uint64_t> print = Fingerprint(file, now.size, e.OldHead(), e.OldTailLength());
    if (!print) return Outcome::Failed;
    if (*print == e.oldFingerprint) return Outcome::AlreadyOld;
  }
  if (expected) {
    const bool midChange = changing && (now.size == *changing || now.size == expected->size) &&
                           now.modifiedNs >= expected->modifiedNs;
    if (now != *expected && !midChange) return Outcome::Changed;
  } else if (now.size != e.newSize && !(changing && now.size == *changing)) {
    return Outcome::Changed;
  }
  if (now.size < e.newTagLength + e.bodyLength) return Outcome::Changed;
  const std::optional<std::uint64_t> print = Fingerprint(file, now.size, e.NewHead(), 0);
  if (!print) return Outcome::Failed;
  return *print == e.newFingerprint ? Outcome::Restored : Outcome::Changed;
}

Outcome Session::Rebuild(const Entry& e, platform::File& current, const std::string& target, Stamp& left) {
  const std::string tempPath = dataFolder_ + kTempName;
  struct TempRemover {
    const std::string& path;
    bool created = false;
    ~TempRemover() {
      if (created) (void)platform::RemoveFile(path);
    }
  } remover{tempPath};
  {
    std::optional<platform::File> temp = platform::File::CreateTruncate(tempPath);
    if (!temp) return Outcome::Failed;
    remover.created = true;
    Checksum64 region;
    for (const Span& s : e.oldRegion) {
      if (s.kind == Span::Kind::Literal) {
        region.Add(s.bytes);
        if (!temp->Append(s.bytes.data(), s.bytes.size())) return Outcome::Failed;
      } else if (s.kind == Span::Kind::Zeros) {
        const std::string zeros(static_cast<std::size_t>(std::min<std::uint64_t>(s.length, kZeroChunk)), '\0');
        for (std::uint64_t left = s.length; left > 0;) {
          const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
          region.Add(zeros.data(), n);
          if (!temp->Append(zeros.data(), n)) return Outcome::Failed;
          left -= n;
        }
      } else {
        std::string bytes(static_cast<std::size_t>(s.length), '\0');
        if (!current.ReadAt(s.offset, bytes.data(), bytes.size())) return Outcome::Failed;
        // The new file's bytes are not what the run wrote there.
        if (Checksum(bytes) != s.checksum) return Outcome::Changed;
        region.Add(bytes);
        if (!temp->Append(bytes.data(), bytes.size())) return Outcome::Failed;
      }
    }
    if (region.Value() != e.oldRegionChecksum) return Outcome::Changed;
    if (!platform::CopyRange(current, e.newTagLength, e.bodyLength, *temp)) return Outcome::Failed;
    if (!temp->Append(e.oldTail.data(), e.oldTail.size())) return Outcome::Failed;
    // The file keeps its permission bits and owner, as durable as its bytes.
    if (!temp->CopyModeAndOwnerFrom(current) || !temp->Sync() || !temp->Close()) return Outcome::Failed;
  }
  {
    // The rebuilt file must be the old one before it replaces anything.
    std::optional<platform::File> check = platform::File::OpenRead(tempPath);
    if (!check) return Outcome::Failed;
    const std::optional<std::uint64_t> size = check->Size();
    if (!size) return Outcome::Failed;
    if (*size != e.oldSize) return Outcome::Changed;
    const std::optional<std::uint64_t> print = Fingerprint(*check, *size, e.OldHead(), e.OldTailLength());
    if (!print) return Outcome::Failed;
    if (*print != e.oldFingerprint) return Outcome::Changed;
  }
  if (!platform::ReplaceFile(tempPath, target, kBesideName)) return Outcome::Failed;
  // An undo is rare and each file counts: its folder is synced at once.
  (void)platform::SyncFolder(platform::FolderOf(target));
  std::optional<platform::File> after = platform::File::OpenRead(target);
  const std::optional<Stamp> stamp = after ? StampOf(*after) : std::nullopt;
  left = stamp.value_or(Stamp{});
  return Outcome::Restored;
}

Outcome Session::Restore(std::size_t i) {
  const std::size_t index = order_.at(i);
  const Entry& e = contents_.pending[index];
  Outcome outcome = Outcome::Failed;
  Stamp left;
  try {
    const std::optional<std::string> target =
        platform::IsExistingFile(e.path) ? platform::ResolvePath(e.path) : std::nullopt;
    std::optional<platform::File> current = target ? platform::File::OpenRead(*target) : std::nullopt;
    if (!current) {
      outcome = platform::IsExistingFile(e.path) ? Outcome::Failed : Outcome::Vanished;
    } else {
      // An undo of a later write of the same path left the file as this
      // write did; otherwise the file is as this write's stamps say.
      const bool own = !expected_[index];
      const std::optional<Stamp> expected = own ? e.stamp : expected_[index];
      Stamp now;
      outcome = Check(e, *current, expected, own ? e.changingTo : std::nullopt, now);
      left = now;
      if (outcome == Outcome::Restored) outcome = Rebuild(e, *current, *target, left);
    }
  } catch (const std::exception&) {
    outcome = Outcome::Failed;
  }
  ++dealt_;
  if (outcome == Outcome::Failed) return outcome;

  const bool restored = outcome == Outcome::Restored || outcome == Outcome::AlreadyOld;
  if (restored) {
    // An earlier write of the same path finds its new file again, with the
    // stamp this restore left.
    for (std::size_t j = index; j-- > 0;) {
      if (contents_.pending[j].path == e.path) {
        expected_[j] = left;
        break;
      }
    }
  }
  try {
    if (!journal_) {
      journal_ = platform::File::OpenReadWrite(journalPath_);
      // Records go right after the last valid one; a damaged end is cut.
      if (journal_ && !journal_->Truncate(contents_.validLength)) journal_.reset();
      end_ = contents_.validLength;
    }
    if (journal_) {
      const std::string record = EncodeDone(contents_.runId, e.seq, restored, left);
      if (journal_->WriteAt(end_, record.data(), record.size())) end_ += record.size();
    }
  } catch (const std::exception&) {
  }
  return outcome;
}

bool Session::Finish() {
  if (finished_) return false;
  finished_ = true;
  // Entries not reached, and those that failed, have no done record.
  std::optional<Contents> now = ReadJournal(journalPath_);
  const bool nothingLeft = now && now->runId == contents_.runId && now->pending.empty();
  if (nothingLeft) {
    journal_.reset();
    if (platform::RemoveFile(journalPath_)) {
      (void)platform::SyncFolder(platform::FolderOf(journalPath_));
      return true;
    }
    return false;
  }
  if (journal_) (void)journal_->Sync();
  return false;
}

}  // namespace undo
