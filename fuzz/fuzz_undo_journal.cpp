// Any bytes as an undo journal: the reader must return, without a crash, and
// every entry it returns must be whole and consistent. Three shapes of
// input, chosen by the first byte: the bytes as a journal file; the bytes
// as the body of one record in a correctly framed journal, so that the body
// parsers see them past the checksums; and a well-formed journal built from
// the bytes, then cut or damaged at a place the bytes choose, where
// whatever the reader returns must be an entry that was written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tag_engine/undo_journal.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "undo journal invariant broken: %s\n", what);
  std::abort();
}

// What the reader promises of every entry it returns.
void CheckEntry(const undo::Entry& e) {
  std::uint64_t covered = 0;
  for (const undo::Span& s : e.oldRegion) {
    if (s.length == 0) Fail("empty span");
    if (s.kind == undo::Span::Kind::Literal && s.bytes.size() != s.length) Fail("literal length");
    if (s.kind == undo::Span::Kind::NewFile && (s.offset > e.newTagLength || s.length > e.newTagLength - s.offset))
      Fail("reference outside the new tag");
    covered += s.length;
  }
  if (covered != e.oldRegionLength) Fail("spans do not cover the old region");
  if (e.oldTail.size() > undo::kMaxTail) Fail("tail too long");
  if (e.oldRegionLength + e.bodyLength + e.oldTail.size() != e.oldSize) Fail("old size");
  if (e.newTagLength + e.bodyLength + e.oldTail.size() > e.newSize) Fail("new size");
  if (e.path.empty()) Fail("empty path");
  // Written again, it reads back the same.
  undo::Entry plain = e;
  plain.stamp.reset();
  plain.changingTo.reset();
  const std::optional<undo::Contents> again =
      undo::ParseJournal(undo::EncodeHeader(1) + undo::EncodeEntry(1, plain));
  if (!again || again->pending.size() != 1 || !(again->pending[0] == plain)) Fail("entry does not round-trip");
}

void CheckAll(std::string_view bytes) {
  const std::optional<undo::Contents> c = undo::ParseJournal(bytes);
  if (!c) return;
  if (c->validLength > bytes.size()) Fail("valid length past the end");
  if (c->restoredLater.size() != c->pending.size()) Fail("restoredLater size");
  for (const undo::Entry& e : c->pending) CheckEntry(e);
}

// Reads little pieces of the input in turn; zeros once it runs out.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}
  std::uint64_t Number(std::uint64_t below) {
    std::uint64_t v = 0;
    for (int i = 0; i < 4 && at_ < data_.size(); ++i) v = (v << 8) | static_cast<std::uint8_t>(data_[at_++]);
    return below == 0 ? 0 : v % below;
  }
  std::string Take(std::size_t n) {
    const std::string out(data_.substr(std::min(at_, data_.size()), n));
    at_ += out.size();
    return out;
  }

 private:
  std::string_view data_;
  std::size_t at_ = 0;
};

void WrittenThenDamaged(std::string_view data) {
  Bytes in(data);
  const std::uint64_t runId = in.Number(UINT32_MAX);
  std::string journal = undo::EncodeHeader(runId);
  std::vector<undo::Entry> written;
  const std::size_t count = 1 + in.Number(3);
  for (std::size_t n = 0; n < count; ++n) {
    undo::Entry e;
    e.seq = static_cast<std::uint32_t>(n);
    e.path = "/music/" + std::to_string(n) + in.Take(in.Number(8));
    e.newTagLength = 10 + in.Number(5000);
    for (std::size_t k = in.Number(4); k > 0; --k) {
      undo::Span s;
      switch (in.Number(3)) {
        case 0:
          s.kind = undo::Span::Kind::Literal;
          s.bytes = "x" + in.Take(in.Number(40));
          s.length = s.bytes.size();
          break;
        case 1:
          s.kind = undo::Span::Kind::Zeros;
          s.length = 1 + in.Number(3000);
          break;
        default:
          s.kind = undo::Span::Kind::NewFile;
          s.offset = in.Number(e.newTagLength);
          s.length = 1 + in.Number(e.newTagLength - s.offset);
          s.checksum = in.Number(UINT32_MAX);
      }
      e.oldRegionLength += s.length;
      e.oldRegion.push_back(std::move(s));
    }
    e.bodyLength = in.Number(1 << 20);
    e.oldTail = in.Take(in.Number(129));
    e.oldSize = e.oldRegionLength + e.bodyLength + e.oldTail.size();
    e.newSize = e.newTagLength + e.bodyLength + e.oldTail.size() + in.Number(2) * 128;
    e.oldFingerprint = in.Number(UINT32_MAX);
    e.newFingerprint = in.Number(UINT32_MAX);
    e.oldRegionChecksum = in.Number(UINT32_MAX);
    journal += undo::EncodeEntry(runId, e);
    written.push_back(std::move(e));
  }
  const std::size_t at = in.Number(journal.size() + 1);
  if (in.Number(2) == 0) {
    journal.resize(at);
  } else if (at < journal.size()) {
    journal[at] = static_cast<char>(journal[at] ^ (1 + in.Number(255)));
  }
  const std::optional<undo::Contents> c = undo::ParseJournal(journal);
  if (!c) return;
  if (c->pending.size() > written.size()) Fail("more entries than were written");
  for (const undo::Entry& e : c->pending) {
    if (e.seq >= written.size() || !(e == written[e.seq])) Fail("an entry that was never written");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0:
      CheckAll(rest);
      break;
    case 1: {
      // One record of the kind the second byte names, framed and summed as
      // the writer does, after one entry so that stamps and done records
      // have something to refer to.
      if (rest.empty()) break;
      undo::Entry e;
      e.path = "/a.mp3";
      std::string journal = undo::EncodeHeader(7) + undo::EncodeEntry(7, e);
      const std::string body(rest.substr(1));
      std::string record;
      for (int i = 0; i < 4; ++i) record.push_back(static_cast<char>(body.size() >> (8 * i)));
      record.push_back(static_cast<char>(1 + static_cast<std::uint8_t>(rest[0]) % 4));
      record += body;
      undo::Checksum64 sum(7);
      sum.Add(record);
      const std::uint64_t v = sum.Value();
      for (int i = 0; i < 8; ++i) record.push_back(static_cast<char>(v >> (8 * i)));
      CheckAll(journal + record);
      break;
    }
    default:
      WrittenThenDamaged(rest);
  }
  return 0;
}
