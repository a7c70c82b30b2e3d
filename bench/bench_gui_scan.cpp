// Scanning a large tree into the main window's list, against a plain
// recursive walk of the same tree in the same run.
//
// The tree: 1,000 folders of 100 empty ".mp3" files each (100,000 files),
// and a tenth of it (100 folders) to show how the cost grows with the list.
// Peak resident memory (VmHWM) is reported after each benchmark.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "batch_editor/UF_Main.h"
#include "tag_engine/UF_Util_MP3.h"
#include "widgets/browse_edit.h"
#include "widgets/image_list_box.h"

namespace {

using bench::PeakResidentKiB;

namespace fs = std::filesystem;

constexpr int kFilesPerFolder = 100;

const fs::path& BenchRoot() {
  static const fs::path root = fs::temp_directory_path() / "quillon_bench_gui_scan";
  return root;
}

// Builds <root>/tree<folders>/dNNNN/fNNN.mp3 once; later runs reuse it.
std::string Tree(int folders) {
  const fs::path tree = BenchRoot() / ("tree" + std::to_string(folders));
  const fs::path done = tree / ".complete";
  if (!fs::exists(done)) {
    fs::remove_all(tree);
    for (int d = 0; d < folders; ++d) {
      char name[16];
      std::snprintf(name, sizeof name, "d%04d", d);
      const fs::path folder = tree / name;
      fs::create_directories(folder);
      for (int f = 0; f < kFilesPerFolder; ++f) {
        char file[16];
        std::snprintf(file, sizeof file, "f%03d.mp3", f);
        std::ofstream(folder / file);
      }
    }
    std::ofstream(done.string());
  }
  return tree.string();
}

void BM_PlainRecursiveWalk(benchmark::State& state) {
  const std::string tree = Tree(static_cast<int>(state.range(0)));
  std::size_t found = 0;
  for (auto _ : state) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(tree)) {
      if (entry.is_regular_file() && entry.path().extension() == ".mp3") paths.push_back(entry.path().string());
    }
    found = paths.size();
    benchmark::DoNotOptimize(paths.data());
  }
  state.counters["files"] = static_cast<double>(found);
  state.counters["peak_KiB"] = PeakResidentKiB();
}

void BM_WindowFolderScan(benchmark::State& state) {
  const std::string tree = Tree(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    F_Main->BTN_Clear_ListeClick(F_Main);
    F_Main->DED_Folder->SetPath(tree);
    F_Main->DED_FolderBrowse(F_Main);
    benchmark::DoNotOptimize(F_Main->Files.data());
  }
  state.counters["files"] = static_cast<double>(F_Main->LBX_File->Count());
  state.counters["peak_KiB"] = PeakResidentKiB();
  state.counters["us_per_file"] = benchmark::Counter(
      static_cast<double>(F_Main->Files.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The two halves of the window's scan: the Qt-free folder search alone, and
// the list rebuild over the entries it found.
void BM_FolderSearchOnly(benchmark::State& state) {
  const std::string tree = Tree(static_cast<int>(state.range(0)));
  std::size_t found = 0;
  for (auto _ : state) {
    std::vector<TListe_File> files;
    ::ScanFolder(
        tree,
        [&files](std::string path) {
          TListe_File entry;
          entry.FullPath = std::move(path);
          files.push_back(std::move(entry));
        },
        [] {});
    found = files.size();
    benchmark::DoNotOptimize(files.data());
  }
  state.counters["files"] = static_cast<double>(found);
}

void BM_RebuildList(benchmark::State& state) {
  const std::string tree = Tree(static_cast<int>(state.range(0)));
  F_Main->BTN_Clear_ListeClick(F_Main);
  F_Main->DED_Folder->SetPath(tree);
  F_Main->DED_FolderBrowse(F_Main);
  for (auto _ : state) F_Main->RebuildList();
  state.counters["files"] = static_cast<double>(F_Main->LBX_File->Count());
}

BENCHMARK(BM_PlainRecursiveWalk)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FolderSearchOnly)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowFolderScan)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RebuildList)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const fs::path home = BenchRoot() / "home";
  fs::create_directories(home);
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home.string()));
  QApplication app(argc, argv);
  MainWindowServices services = MainWindowServices::Defaults();
  services.placementFile = (home / "placement.ini").string();
  services.showMessage = [](const QString&) {};
  CreateProgramWindows(services);
  F_Main->show();
  QApplication::processEvents();

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  DestroyProgramWindows();
  return 0;
}
