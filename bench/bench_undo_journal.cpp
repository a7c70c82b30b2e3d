// The undo journal's cost: the same run over a 200-file corpus (ReadTag,
// WriteTagV2, WriteTagV1 per file, as the batch run does) with the journal
// off and on, interleaved in every iteration on fresh copies of the corpus,
// so that the ratio comes from one run. Also reports the journal's size.
//
// The corpus: 200 files of about 1 MB in 3 artist folders of 3 album
// folders, starting tags mixed: none; v2.3 Latin-1; v2.4 UTF-8 with
// padding; ID3v1 only; v2.3 UTF-16 with a 60 KB picture and padding; v2.4
// with a 60 KB picture and an ID3v1 block.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tag_engine/mp3_tag_engine.h"
#include "tag_engine/undo_journal.h"

namespace {

namespace fs = std::filesystem;
using bench::CopyFile;
using bench::Seconds;

constexpr int kFiles = 200;
constexpr std::size_t kAudioSize = 1u << 20;

const fs::path& Root() {
  static const fs::path root = fs::temp_directory_path() / "quillon_bench_undo";
  return root;
}

std::string Frame(const std::string& id, const std::string& content, bool syncsafe = false) {
  const auto n = static_cast<std::uint32_t>(content.size());
  std::string size = syncsafe ? std::string{static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
                                            static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)}
                              : std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                                            static_cast<char>(n >> 8), static_cast<char>(n)};
  return id + size + std::string(2, '\0') + content;
}

std::string Tag(const std::string& frames, std::size_t padding, char version) {
  const std::size_t n = frames.size() + padding;
  return "ID3" + std::string{version, 0, 0, static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
                             static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)} +
         frames + std::string(padding, '\0');
}

std::string Utf16(const std::string& ascii) {
  std::string out = "\x01\xFF\xFE";
  for (char c : ascii) out += std::string{c, 0};
  return out + std::string(2, '\0');
}

std::string V1(const std::string& title) {
  std::string b = "TAG" + title;
  b.resize(127, ' ');
  return b + '\x11';
}

std::string StartingBytes(int i, const std::string& audio, const std::string& picture) {
  const std::string t = "Song " + std::to_string(i);
  switch (i % 6) {
    case 0: return audio;
    case 1: return Tag(Frame("TIT2", "\0" + t) + Frame("TPE1", std::string("\0Old", 4)), 0, 3) + audio;
    case 2:
      return Tag(Frame("TIT2", "\x03" + t, true) + Frame("TALB", std::string("\x03\xC3\x89t\xC3\xA9", 6), true), 1024, 4) +
             audio;
    case 3: return audio + V1(t);
    case 4:
      return Tag(Frame("TIT2", Utf16(t)) + Frame("APIC", std::string("\0image/jpeg\0\3\0", 14) + picture), 2048, 3) +
             audio;
    default:
      return Tag(Frame("TIT2", "\x03" + t, true) + Frame("APIC", std::string("\0image/png\0\3\0", 13) + picture, true),
                 0, 4) +
             audio + V1(t);
  }
}

std::vector<std::string> Relatives() {
  std::vector<std::string> out;
  for (int i = 0; i < kFiles; ++i) {
    const int folder = i % 9;
    out.push_back("Artist " + std::to_string(folder / 3) + "/Album " + std::to_string(folder % 3) + "/Track " +
                  std::to_string(i) + ".mp3");
  }
  return out;
}

void BuildCorpus() {
  const fs::path done = Root() / "pristine" / ".complete";
  if (fs::exists(done)) return;
  fs::remove_all(Root() / "pristine");
  std::mt19937 gen(5);
  std::string picture(60000, '\0');
  for (char& c : picture) c = static_cast<char>(gen());
  const std::vector<std::string> rel = Relatives();
  for (int i = 0; i < kFiles; ++i) {
    std::string audio(kAudioSize, '\0');
    for (std::size_t k = 0; k < audio.size(); ++k) audio[k] = static_cast<char>(k * 7 + (k >> 9) + i);
    audio[0] = '\xFF', audio[1] = '\xFB', audio[2] = '\x90', audio[3] = '\x64';
    const fs::path p = Root() / "pristine" / rel[static_cast<std::size_t>(i)];
    fs::create_directories(p.parent_path());
    const std::string bytes = StartingBytes(i, audio, picture);
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::ofstream(done.string());
}

// Fresh working copy of the corpus, flushed so that writeback of the copy
// does not fall into the timed run.
std::vector<std::string> FreshCopy() {
  std::vector<std::string> paths;
  for (const std::string& r : Relatives()) {
    const fs::path to = Root() / "work" / r;
    fs::create_directories(to.parent_path());
    if (!CopyFile((Root() / "pristine" / r).string(), to.string(), false)) std::abort();
    paths.push_back(to.string());
  }
  ::sync();
  return paths;
}

double RunOnce(const std::vector<std::string>& paths, bool journaled, std::uintmax_t* journalBytes) {
  const std::string data = (Root() / "data").string() + "/";
  fs::create_directories(data);
  Mp3TagEngine engine;
  engine.DataFolder = data;
  undo::Writer journal(data + undo::kJournalName);
  if (journaled) engine.Journal = &journal;
  const auto start = std::chrono::steady_clock::now();
  int track = 0;
  for (const std::string& p : paths) {
    const std::string folder = fs::path(p).parent_path().filename().string();
    const std::string title = fs::path(p).stem().string();
    const std::string n = std::to_string(++track);
    engine.ReadTag(p);
    if (engine.WriteTagV2(p, title, "Artist", folder, "Ripped for the archive", "2009", n, "Jazz", "Music", "ZQ"))
      engine.WriteTagV1(p, title, "Artist", folder, "Ripped for the archive", "2009");
  }
  journal.Finish();
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  if (journaled && journalBytes) {
    const std::optional<undo::Contents> c = undo::ReadJournal(data + undo::kJournalName);
    *journalBytes = c ? c->validLength : 0;
  }
  return seconds;
}

void BM_RunWithAndWithoutJournal(benchmark::State& state) {
  BuildCorpus();
  double plain = 0, journaled = 0;
  std::uintmax_t journalBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> paths = FreshCopy();
    state.ResumeTiming();
    plain += RunOnce(paths, false, nullptr);
    state.PauseTiming();
    paths = FreshCopy();
    state.ResumeTiming();
    journaled += RunOnce(paths, true, &journalBytes);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["run_s"] = plain / n;
  state.counters["run_with_journal_s"] = journaled / n;
  state.counters["ratio"] = journaled / plain;
  state.counters["journal_bytes"] = static_cast<double>(journalBytes);
  state.counters["peak_KiB"] = bench::PeakResidentKiB();
}
BENCHMARK(BM_RunWithAndWithoutJournal)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
