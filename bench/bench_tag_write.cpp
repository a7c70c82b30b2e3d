// Rewriting the tags of a 5 MB MP3 (ReadTag, WriteTagV2, WriteTagV1, as the
// batch run does for every file) against plain copies of the same bytes, in
// the same run. The write syncs to disk for safety, so it is compared both
// with a copy and with a copy followed by fsync.
//
// BM_RewriteAgainstCopy times all three in every iteration, interleaved, and
// reports the ratios as counters; the other benchmarks time each alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_support.h"
#include "platform/file_io.h"
#include "tag_engine/mp3_tag_engine.h"

namespace fs = std::filesystem;

namespace {

using bench::CopyFile;
using bench::Seconds;

constexpr std::size_t kAudioSize = 5u << 20;

std::string Frame(const std::string& id, const std::string& content) {
  const auto n = static_cast<std::uint32_t>(content.size());
  return id + std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                          static_cast<char>(n), 0, 0} +
         content;
}

// A folder with one 5 MB MP3 (a tag with a 64 KiB picture and padding, the
// audio, an ID3v1 block) and a data folder, removed at the end.
class Workspace {
 public:
  Workspace() {
    std::string pattern = (fs::temp_directory_path() / "quillon_bench_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    fs::create_directories(root_ / "data");
    std::string frames = Frame("TIT2", std::string("\0Some title\0", 12)) + Frame("TPE1", std::string("\0Band", 5)) +
                         Frame("APIC", std::string(64 << 10, '\x89'));
    const std::size_t tagSize = frames.size() + 2048;
    std::string file = "ID3";
    file += std::string{3, 0, 0, static_cast<char>((tagSize >> 21) & 0x7F), static_cast<char>((tagSize >> 14) & 0x7F),
                        static_cast<char>((tagSize >> 7) & 0x7F), static_cast<char>(tagSize & 0x7F)};
    file += frames + std::string(2048, '\0');
    std::string audio(kAudioSize - file.size() - 128, '\0');
    for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<char>(i * 7 + (i >> 9));
    file += audio;
    file += "TAG" + std::string(125, ' ');
    std::ofstream(Mp3(), std::ios::binary).write(file.data(), static_cast<std::streamsize>(file.size()));
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::string Mp3() const { return (root_ / "song.mp3").string(); }
  std::string Copy() const { return (root_ / "copy.mp3").string(); }
  std::string DataFolder() const { return (root_ / "data").string() + "/"; }

 private:
  fs::path root_;
};

bool Rewrite(Mp3TagEngine& engine, const std::string& path) {
  engine.ReadTag(path);
  return engine.WriteTagV2(path, "Title", "Artist", "Album", "Comment", "2009", "7", "Rock", "Cat", "ZQ") &&
         engine.WriteTagV1(path, "Title", "Artist", "Album", "Comment", "2009");
}

// The three calls timed apart, as counters in milliseconds per file.
void BM_RewriteTags(benchmark::State& state) {
  Workspace space;
  Mp3TagEngine engine;
  engine.DataFolder = space.DataFolder();
  const std::string path = space.Mp3();
  double read = 0, v2 = 0, v1 = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    engine.ReadTag(path);
    const auto t1 = std::chrono::steady_clock::now();
    if (!engine.WriteTagV2(path, "Title", "Artist", "Album", "Comment", "2009", "7", "Rock", "Cat", "ZQ"))
      state.SkipWithError("WriteTagV2 failed");
    const auto t2 = std::chrono::steady_clock::now();
    if (!engine.WriteTagV1(path, "Title", "Artist", "Album", "Comment", "2009")) state.SkipWithError("WriteTagV1 failed");
    const auto t3 = std::chrono::steady_clock::now();
    read += Seconds(t1 - t0);
    v2 += Seconds(t2 - t1);
    v1 += Seconds(t3 - t2);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["read_ms"] = read / n * 1e3;
  state.counters["v2_ms"] = v2 / n * 1e3;
  state.counters["v1_ms"] = v1 / n * 1e3;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kAudioSize));
}
BENCHMARK(BM_RewriteTags)->Unit(benchmark::kMillisecond);

void BM_PlainCopy(benchmark::State& state) {
  Workspace space;
  const bool sync = state.range(0) != 0;
  for (auto _ : state) {
    if (!CopyFile(space.Mp3(), space.Copy(), sync)) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kAudioSize));
}
BENCHMARK(BM_PlainCopy)->ArgName("fsync")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RewriteAgainstCopy(benchmark::State& state) {
  Workspace space;
  Mp3TagEngine engine;
  engine.DataFolder = space.DataFolder();
  double rewrite = 0, copy = 0, copySynced = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (!Rewrite(engine, space.Mp3())) state.SkipWithError("rewrite failed");
    auto t1 = std::chrono::steady_clock::now();
    if (!CopyFile(space.Mp3(), space.Copy(), false)) state.SkipWithError("copy failed");
    auto t2 = std::chrono::steady_clock::now();
    if (!CopyFile(space.Mp3(), space.Copy(), true)) state.SkipWithError("copy failed");
    auto t3 = std::chrono::steady_clock::now();
    rewrite += Seconds(t1 - t0);
    copy += Seconds(t2 - t1);
    copySynced += Seconds(t3 - t2);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["rewrite_ms"] = rewrite / n * 1e3;
  state.counters["copy_ms"] = copy / n * 1e3;
  state.counters["copy_fsync_ms"] = copySynced / n * 1e3;
  state.counters["x_copy"] = copy > 0 ? rewrite / copy : 0;
  state.counters["x_copy_fsync"] = copySynced > 0 ? rewrite / copySynced : 0;
}
BENCHMARK(BM_RewriteAgainstCopy)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
