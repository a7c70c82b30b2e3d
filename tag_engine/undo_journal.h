// The undo journal: what a batch run needs to give every file it replaced
// its exact old bytes back, kept in the data folder ("undo.journal") so that
// it survives a restart. Qt-free.
//
// A file's old bytes are its old tag region (everything before the audio),
// its body (the audio, carried unchanged into the new file) and its last
// bytes (the old ID3v1 block, or the audio's last bytes when it had none).
// The journal keeps the region and the last bytes, never the body; frame
// contents that the new tag carries unchanged (pictures above all) are kept
// as references to the new file's bytes, with their checksum.
//
// On-disk format; integers little-endian, checksums are Checksum64.
//
//   Header, 24 bytes:
//     0   8  magic "QLNUNDO1"
//     8   8  run id, random; seeds the checksum of every record
//     16  8  checksum of bytes 0..15 (seed 0)
//   Records, back to back:
//     0   4  body length L, at most kMaxRecordBody
//     4   1  kind: 1 entry, 2 stamp, 3 done, 4 changing
//     5   L  body
//     5+L 8  checksum of the record's bytes 0..5+L-1 (seed: run id)
//
//   Entry body (one replaced file):
//     u32 seq (0, 1, 2, ... in the order of the writes)
//     u32 n, n bytes: the path as the run named it
//     u64 old size, u64 old fingerprint (see Fingerprint)
//     u64 new tag length T, u64 body length B, u64 new size (right after the
//         replacement), u64 new fingerprint (first min(64 KiB, T + B) bytes)
//     u64 old region length R, u64 checksum of the old region
//     u32 span count, spans covering the old region in order:
//         u8 0, u32 n, n bytes    literal bytes
//         u8 1, u64 n             n zero bytes (padding)
//         u8 2, u64 offset, u64 n, u64 checksum
//                                 n bytes at `offset` of the new file, inside
//                                 its tag (offset + n <= T)
//     u32 n (at most 128), n bytes: the old file's last bytes
//     Sizes agree: old size = R + B + n.
//   Stamp body (the file as the write left it, recorded after the
//   replacement and again when the same write changes it once more):
//     u32 seq, u64 size, i64 modification time (ns)
//   Changing body (the same write is about to change the file once more,
//   in place: its ID3v1 block):
//     u32 seq, u64 the size it will have
//   Done body (an undo dealt with the entry, or the write it announced did
//   not replace the file after all):
//     u32 seq, u8 outcome (0 restored, 1 left alone, 2 withdrawn), u64 size,
//     i64 modification time (ns) of the file afterwards (0, 0: withdrawn)
//
// A reader takes records up to the first one that is cut short, fails its
// checksum or does not parse, and ignores the rest: appends only ever leave
// damage at the end. An entry that is not whole and consistent is never
// used. The writer keeps zero bytes ahead of its last record (a record of
// length 0 and kind 0, which ends the reading), so that an append writes
// within the file's length and its sync costs no change of the file's size.
//
// Durability: an entry is synced before the file it describes is replaced
// (the first entry of a run goes into a fresh file that is synced and then
// renamed over the previous run's journal). Stamps and done records are not
// synced one by one; without them an undo still recognises a file by its
// size and fingerprint (see UndoSession).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "tag_engine/mp3_tag_engine.h"

namespace undo {

inline constexpr const char* kJournalName = "undo.journal";
inline constexpr std::size_t kMaxRecordBody = std::size_t{1} << 30;
inline constexpr std::size_t kMaxTail = 128;
// The fingerprint reads at most this many bytes from a file's start.
inline constexpr std::uint64_t kFingerprintHead = 64 * 1024;

// A 64-bit checksum for integrity (not against an adversary), fed in pieces.
class Checksum64 {
 public:
  explicit Checksum64(std::uint64_t seed = 0);
  void Add(const void* data, std::size_t length);
  void Add(std::string_view bytes) { Add(bytes.data(), bytes.size()); }
  std::uint64_t Value() const;

 private:
  void Mix(std::uint64_t word);
  std::uint64_t state_;
  std::uint64_t length_ = 0;
  unsigned char pending_[8] = {};
  std::size_t pendingCount_ = 0;
};
std::uint64_t Checksum(std::string_view bytes, std::uint64_t seed = 0);

// The fingerprint of a file: the checksum of its first `head` bytes and of
// its last `tail` bytes. nullopt when a read fails or comes up short.
std::optional<std::uint64_t> Fingerprint(platform::File& file, std::uint64_t size, std::uint64_t head,
                                         std::uint64_t tail);

// A file as a write or an undo left it.
struct Stamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  bool operator==(const Stamp&) const = default;
};

struct Span {
  enum class Kind : std::uint8_t { Literal = 0, Zeros = 1, NewFile = 2 };
  Kind kind = Kind::Literal;
  std::string bytes;          // Literal
  std::uint64_t offset = 0;   // NewFile
  std::uint64_t length = 0;   // Zeros, NewFile (Literal: bytes.size())
  std::uint64_t checksum = 0; // NewFile
  bool operator==(const Span&) const = default;
};

struct Entry {
  std::uint32_t seq = 0;
  std::string path;
  std::uint64_t oldSize = 0;
  std::uint64_t oldFingerprint = 0;
  std::uint64_t newTagLength = 0;
  std::uint64_t bodyLength = 0;
  std::uint64_t newSize = 0;
  std::uint64_t newFingerprint = 0;
  std::uint64_t oldRegionLength = 0;
  std::uint64_t oldRegionChecksum = 0;
  std::vector<Span> oldRegion;
  std::string oldTail;
  // The latest stamp of the write, when one was recorded, and the size
  // announced by a change begun after it.
  std::optional<Stamp> stamp;
  std::optional<std::uint64_t> changingTo;
  bool operator==(const Entry&) const = default;

  // Fingerprint lengths: the old file's first bytes and its tail; the new
  // file's first bytes (never its last ones, which the ID3v1 writer may
  // change after the replacement).
  std::uint64_t OldHead() const;
  std::uint64_t OldTailLength() const;
  std::uint64_t NewHead() const;
};

// The entries still to undo, in the order they were written, and what an
// earlier undo left of files that appear more than once.
struct Contents {
  std::uint64_t runId = 0;
  std::vector<Entry> pending;
  // For a pending entry (by index in `pending`), the stamp an undo left on
  // its file when it restored a later entry of the same path.
  std::vector<std::optional<Stamp>> restoredLater;
  // Bytes of the journal up to the end of its last valid record.
  std::uint64_t validLength = 0;
};

// Parses a journal's bytes; nullopt without a valid header.
std::optional<Contents> ParseJournal(std::string_view bytes);
// Reads and parses the journal file; nullopt when it is missing, unreadable
// or has no valid header.
std::optional<Contents> ReadJournal(const std::string& path);

// The records' bytes, as the writer produces them; for tests and tools.
std::string EncodeHeader(std::uint64_t runId);
std::string EncodeEntry(std::uint64_t runId, const Entry& entry);
std::string EncodeStamp(std::uint64_t runId, std::uint32_t seq, const Stamp& stamp);
std::string EncodeDone(std::uint64_t runId, std::uint32_t seq, bool restored, const Stamp& stamp);
std::string EncodeWithdrawn(std::uint64_t runId, std::uint32_t seq);
std::string EncodeChanging(std::uint64_t runId, std::uint32_t seq, std::uint64_t newSize);

// The old tag region as spans: frame contents of `newTag` (the new file's
// bytes before its audio) that stand unchanged in `oldRegion` become
// references to the new file, runs of zero bytes become Zeros, the rest
// literal bytes. Bounded work on any input.
std::vector<Span> SpansOf(std::string_view oldRegion, std::string_view newTag);

// Writes the journal of one batch run: the engine's journal during the run.
// The previous run's journal stays in place until the first entry of this
// one is durable.
class Writer : public TagWriteJournal {
 public:
  explicit Writer(std::string journalPath);
  ~Writer() override;
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Records the entry and syncs the journal; false when that fails. An
  // entry whose replacement then never happened (no AfterReplace before the
  // next entry or Finish) is withdrawn.
  bool BeforeReplace(const TagReplacement& replacement) override;
  // Both note the last entry's file, when `path` is its path.
  void BeforeChange(const std::string& path, std::uint64_t newSize) override;
  void AfterReplace(const std::string& path) override;
  // Syncs the stamps written since the last entry; the journal stays. True
  // when there was nothing to sync or the sync worked.
  bool Finish();
  // Entries written so far.
  std::uint32_t Entries() const { return nextSeq_; }

 private:
  bool Append(const std::string& record);
  void Withdraw();
  std::string path_;
  std::uint64_t runId_;
  std::optional<platform::File> file_;
  std::uint64_t end_ = 0;       // end of the records
  std::uint64_t capacity_ = 0;  // end of the zeros kept ahead of them
  std::uint32_t nextSeq_ = 0;
  // The last entry's path, for the stamps.
  std::string lastPath_;
  bool awaitingReplace_ = false;
  bool unsynced_ = false;
};

enum class Outcome {
  Restored,    // the file has its old bytes again
  AlreadyOld,  // the file already had its old bytes (the write never happened)
  Changed,     // the file changed since the run; left as it is
  Vanished,    // no file there any more
  Failed,      // an I/O step failed; the file is as it was, the entry stays
};

// One undo of the journal: the pending entries, latest write first. Each
// restore builds the old file in DataFolder + "tmp.mp3", checks it against
// the old size and fingerprint, and replaces the file as a write does.
// A file is restored only when it is what the run left: its fingerprint
// matches and its size and modification time match the latest stamp. Where
// the journal shows a change begun after that stamp (a kill while the ID3v1
// block was written), the announced size and a later time also match; where
// it has no stamp (a kill right after the replacement, or a power loss), the
// size right after the replacement or the announced one.
class Session {
 public:
  // nullopt when there is no readable journal.
  static std::optional<Session> Open(const std::string& journalPath, const std::string& dataFolder);
  Session(Session&&) = default;
  Session& operator=(Session&&) = default;
  ~Session();

  std::size_t Count() const { return order_.size(); }
  // The i-th entry in undo order.
  const Entry& At(std::size_t i) const;
  // Restores the i-th entry (each once, in order) and records the result.
  Outcome Restore(std::size_t i);
  // Ends the session: when every entry was dealt with (none failed and none
  // left), the journal is removed; otherwise what was recorded is synced
  // and the journal keeps the entries not yet restored. True when the
  // journal was removed.
  bool Finish();

 private:
  Session() = default;
  Outcome Check(const Entry& e, platform::File& file, const std::optional<Stamp>& expected,
                const std::optional<std::uint64_t>& changing, Stamp& now);
  Outcome Rebuild(const Entry& e, platform::File& current, const std::string& target, Stamp& left);
  std::string journalPath_;
  std::string dataFolder_;
  Contents contents_;
  std::vector<std::size_t> order_;  // indexes into contents_.pending
  std::vector<std::optional<Stamp>> expected_;
  std::optional<platform::File> journal_;
  std::uint64_t end_ = 0;
  std::size_t dealt_ = 0;
  bool finished_ = false;
};

}  // namespace undo
