// The undo journal: a run written through the engine with the journal on,
// then undone, gives every file its exact old bytes; files changed since are
// left alone; the reader never returns anything but whole entries.
#include "tag_engine/undo_journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/time.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/tag_fixtures.h"
#include "support/temp_dir.h"
#include "tag_engine/mp3_tag_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_support::Frame;
using test_support::FrameV4;
using test_support::Tag;
using test_support::V1Block;

std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

std::string Audio(unsigned seed, std::size_t size = 3000) { return "\xFF\xFB\x90\x64"s + Noise(size, seed); }

class UndoJournalTest : public ::testing::Test {
 protected:
  std::string Data() const { return dir_.Path("data") + "/"; }
  std::string JournalPath() const { return Data() + undo::kJournalName; }
  void SetUp() override { fs::create_directories(Data()); }

  // What the batch run does for every file, with the journal on.
  std::vector<bool> Run(const std::vector<std::string>& paths, const std::string& title = "New") {
    Mp3TagEngine engine;
    engine.DataFolder = Data();
    undo::Writer writer(JournalPath());
    engine.Journal = &writer;
    std::vector<bool> written;
    for (const std::string& p : paths) {
      engine.ReadTag(p);
      const std::string track = std::to_string(written.size() + 1);
      const bool ok = engine.WriteTagV2(p, title, "Artist", "Album", "Comment", "2009", track, "Jazz", "Cat", "ZQ");
      if (ok) engine.WriteTagV1(p, title, "Artist", "Album", "Comment", "2009");
      written.push_back(ok);
    }
    EXPECT_TRUE(writer.Finish());
    return written;
  }

  std::vector<undo::Outcome> Undo(std::size_t stopAfter = SIZE_MAX) {
    std::optional<undo::Session> s = undo::Session::Open(JournalPath(), Data());
    if (!s) return {};
    std::vector<undo::Outcome> out;
    for (std::size_t i = 0; i < s->Count() && i < stopAfter; ++i) out.push_back(s->Restore(i));
    s->Finish();
    return out;
  }

  test_support::TempDir dir_;
};

// Tags of every kind a run meets, with and without an ID3v1 block and
// padding; the picture must not be stored again.
TEST_F(UndoJournalTest, RunThenUndoGivesEveryFileItsExactBytes) {
  const std::string picture = Noise(40000, 7);
  const std::vector<std::string> originals = {
      Audio(1),
      Audio(2) + V1Block('o', 17),
      Tag(Frame("TIT2", "\0old"s) + Frame("APIC", "\0image/png\0\3\0"s + picture) + Frame("TXXX", "\0k\0v"s), 500) +
          Audio(3),
      Tag(Frame("TIT2", "\x01\xFF\xFEo\0l\0d\0"s) + Frame("PRIV", "x"s + Noise(300, 9)), 0) + Audio(4) +
          V1Block('p', 3),
      Tag(FrameV4("TIT2", "\x03old"s) + FrameV4("APIC", "\0image/jpeg\0\3\0"s + picture), 2000, 4) + Audio(5),
      Tag(Frame("XXXX", Noise(200, 1)) + Frame("TPE1", "\0who"s), 64) + Audio(6, 50),
  };
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < originals.size(); ++i)
    paths.push_back(dir_.WriteFile("m/f" + std::to_string(i) + ".mp3", originals[i]));

  EXPECT_EQ(Run(paths), std::vector<bool>(paths.size(), true));
  for (std::size_t i = 0; i < paths.size(); ++i) ASSERT_NE(dir_.ReadFile(paths[i]), originals[i]) << i;
  // Two pictures and the audio are not in it; tags, tails and bookkeeping are.
  const std::optional<undo::Contents> journal = undo::ReadJournal(JournalPath());
  ASSERT_TRUE(journal);
  EXPECT_LT(journal->validLength, 8000u);

  const std::vector<undo::Outcome> outcomes = Undo();
  EXPECT_EQ(outcomes, std::vector<undo::Outcome>(paths.size(), undo::Outcome::Restored));
  for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(dir_.ReadFile(paths[i]), originals[i]) << i;
  EXPECT_FALSE(fs::exists(JournalPath()));
  EXPECT_FALSE(fs::exists(Data() + "tmp.mp3"));
}

TEST_F(UndoJournalTest, SameFileTwiceInOneRunComesBackToItsFirstBytes) {
  const std::string original = Tag(Frame("TIT2", "\0first"s) + Frame("APIC", Noise(5000, 3)), 100) + Audio(8);
  const std::string p = dir_.WriteFile("a.mp3", original);
  Run({p, p});
  // Stopped after the later write's undo: the earlier one is still to do.
  EXPECT_EQ(Undo(1), std::vector<undo::Outcome>{undo::Outcome::Restored});
  ASSERT_TRUE(fs::exists(JournalPath()));
  EXPECT_EQ(Undo(), std::vector<undo::Outcome>{undo::Outcome::Restored});
  EXPECT_EQ(dir_.ReadFile(p), original);
  EXPECT_FALSE(fs::exists(JournalPath()));
}

// A change after the run: a tag rewritten in place (same size, new time), a
// byte appended, a file deleted, an old time set back on changed bytes.
TEST_F(UndoJournalTest, FilesChangedOrGoneSinceTheRunAreLeftAloneAndTheRestRestored) {
  std::vector<std::string> originals, paths;
  for (unsigned i = 0; i < 5; ++i) {
    originals.push_back(Tag(Frame("TIT2", "\0t" + std::to_string(i))) + Audio(20 + i));
    paths.push_back(dir_.WriteFile("c/f" + std::to_string(i) + ".mp3", originals.back()));
  }
  Run(paths);
  const std::string afterRun2 = dir_.ReadFile(paths[2]);
  {
    std::string b = dir_.ReadFile(paths[0]);
    b[b.size() / 2] ^= 1;
    dir_.WriteFile("c/f0.mp3", b);
  }
  dir_.WriteFile("c/f1.mp3", dir_.ReadFile(paths[1]) + "x");
  fs::remove(paths[3]);
  {
    // Same size, first bytes changed, modification time put back as it was.
    struct stat st {};
    ASSERT_EQ(::stat(paths[4].c_str(), &st), 0);
    std::string b = dir_.ReadFile(paths[4]);
    b[20] ^= 1;
    dir_.WriteFile("c/f4.mp3", b);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, paths[4].c_str(), times, 0), 0);
  }
  const std::string touched0 = dir_.ReadFile(paths[0]), touched4 = dir_.ReadFile(paths[4]);

  // Undo runs from the last write back.
  using O = undo::Outcome;
  EXPECT_EQ(Undo(), (std::vector<O>{O::Changed, O::Vanished, O::Restored, O::Changed, O::Changed}));
  EXPECT_EQ(dir_.ReadFile(paths[2]), originals[2]);
  EXPECT_EQ(dir_.ReadFile(paths[0]), touched0);
  EXPECT_EQ(dir_.ReadFile(paths[4]), touched4);
  EXPECT_NE(afterRun2, originals[2]);
  // Every entry was dealt with: nothing is left to undo.
  EXPECT_FALSE(fs::exists(JournalPath()));
}

TEST_F(UndoJournalTest, FailedReplacementLeavesNoEntryAndAJournalFailureStopsTheWrite) {
  const std::string a = dir_.WriteFile("a.mp3", Audio(30)), b = dir_.WriteFile("b.mp3", Audio(31));
  {
    test_support::ScriptedFaults faults;
    faults.FailStep(platform::FileStep::Rename, 2);  // the first is the fresh journal's
    EXPECT_EQ(Run({a, b}), (std::vector<bool>{false, true}));
  }
  std::optional<undo::Contents> c = undo::ReadJournal(JournalPath());
  ASSERT_TRUE(c);
  ASSERT_EQ(c->pending.size(), 1u);
  EXPECT_EQ(c->pending[0].path, b);

  // The journal cannot be synced: the file keeps its bytes, and the last
  // run's journal stays whole.
  const std::string before = dir_.ReadFile(a);
  {
    test_support::ScriptedFaults faults;
    faults.FailStep(platform::FileStep::Sync, 2);  // the temporary file's, then the journal's
    EXPECT_EQ(Run({a}), std::vector<bool>{false});
  }
  EXPECT_EQ(dir_.ReadFile(a), before);
  c = undo::ReadJournal(JournalPath());
  ASSERT_TRUE(c);
  ASSERT_EQ(c->pending.size(), 1u);
  EXPECT_EQ(c->pending[0].path, b);
}

TEST_F(UndoJournalTest, ANewRunReplacesTheJournalOnlyWhenItWritesAFile) {
  const std::string a = dir_.WriteFile("a.mp3", Audio(40)), b = dir_.WriteFile("b.mp3", Audio(41));
  Run({a});
  const std::string first = dir_.ReadFile(JournalPath());
  Run({});
  EXPECT_EQ(dir_.ReadFile(JournalPath()), first);
  Run({b});
  std::optional<undo::Contents> c = undo::ReadJournal(JournalPath());
  ASSERT_TRUE(c);
  ASSERT_EQ(c->pending.size(), 1u);
  EXPECT_EQ(c->pending[0].path, b);
}

// A file whose write was announced but never happened (a kill between the
// journal's sync and the rename) counts as restored and is not touched.
TEST_F(UndoJournalTest, AnnouncedWriteThatNeverHappenedFindsTheOldBytes) {
  const std::string original = Tag(Frame("TIT2", "\0x"s)) + Audio(50);
  const std::string p = dir_.WriteFile("k.mp3", original);
  Run({p});
  const std::string journal = dir_.ReadFile(JournalPath());
  dir_.WriteFile("k.mp3", original);  // as if the rename never came
  EXPECT_EQ(Undo(), std::vector<undo::Outcome>{undo::Outcome::AlreadyOld});
  EXPECT_EQ(dir_.ReadFile(p), original);
}

// Every cut of a valid journal and every flipped byte: the reader returns
// only entries that were written, never a damaged one.
TEST_F(UndoJournalTest, ReaderReturnsOnlyWholeEntriesFromDamagedJournals) {
  std::vector<std::string> paths;
  for (unsigned i = 0; i < 3; ++i)
    paths.push_back(
        dir_.WriteFile("r/f" + std::to_string(i) + ".mp3", Tag(Frame("APIC", Noise(500, i)), 40) + Audio(60 + i)));
  Run(paths);
  std::string bytes = dir_.ReadFile(JournalPath());
  const std::optional<undo::Contents> whole = undo::ParseJournal(bytes);
  ASSERT_TRUE(whole);
  ASSERT_EQ(whole->pending.size(), 3u);
  // The records, then the zeros the writer keeps ahead of them.
  ASSERT_LT(whole->validLength, bytes.size());
  EXPECT_EQ(bytes.find_first_not_of('\0', whole->validLength), std::string::npos);
  bytes.resize(whole->validLength + 16);

  auto known = [&](const undo::Entry& e) {
    for (const undo::Entry& w : whole->pending)
      if (w == e) return true;
    return false;
  };
  std::size_t lastCount = 0;
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    const std::optional<undo::Contents> c = undo::ParseJournal(std::string_view(bytes).substr(0, cut));
    if (!c) continue;
    ASSERT_GE(c->pending.size(), lastCount) << cut;  // only ever more with more bytes
    lastCount = c->pending.size();
    for (std::size_t i = 0; i < c->pending.size(); ++i) {
      // A cut may drop a stamp or a change after it, never change an entry.
      undo::Entry e = c->pending[i];
      e.stamp = whole->pending[i].stamp;
      e.changingTo = whole->pending[i].changingTo;
      ASSERT_TRUE(known(e)) << cut;
    }
  }
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ (1 << (at % 8)));
    const std::optional<undo::Contents> c = undo::ParseJournal(damaged);
    if (!c) continue;
    for (undo::Entry e : c->pending) {
      const std::size_t i = e.seq;
      ASSERT_LT(i, whole->pending.size());
      e.stamp = whole->pending[i].stamp;
      e.changingTo = whole->pending[i].changingTo;
      ASSERT_TRUE(known(e)) << "byte " << at;
    }
  }
}

TEST_F(UndoJournalTest, SpansReferToCarriedFramesAndKeepTheRestLiterally) {
  const std::string pic = Noise(1000, 4);
  const std::string oldRegion = Tag(Frame("TIT2", "\0old"s) + Frame("APIC", pic), 100);
  const std::string newTag = Tag(Frame("APIC", pic) + Frame("TIT2", "\0new\0"s));
  const std::vector<undo::Span> spans = undo::SpansOf(oldRegion, newTag);
  std::string rebuilt;
  int references = 0;
  for (const undo::Span& s : spans) {
    if (s.kind == undo::Span::Kind::Literal) rebuilt += s.bytes;
    if (s.kind == undo::Span::Kind::Zeros) rebuilt += std::string(s.length, '\0');
    if (s.kind == undo::Span::Kind::NewFile) {
      ++references;
      rebuilt += newTag.substr(s.offset, s.length);
      EXPECT_EQ(s.checksum, undo::Checksum(pic));
    }
  }
  EXPECT_EQ(rebuilt, oldRegion);
  EXPECT_EQ(references, 1);
  EXPECT_EQ(spans.back().kind, undo::Span::Kind::Zeros);

  // A region of one repeated byte and a frame that almost matches it
  // everywhere: bounded work, and still exact.
  const std::string flat(1 << 20, 'a');
  const std::string almost = Tag(Frame("PRIV", std::string(100000, 'a') + "b"));
  std::string again;
  for (const undo::Span& s : undo::SpansOf(flat, almost)) {
    ASSERT_NE(s.kind, undo::Span::Kind::NewFile);
    again += s.kind == undo::Span::Kind::Literal ? s.bytes : std::string(s.length, '\0');
  }
  EXPECT_EQ(again, flat);
}

}  // namespace
