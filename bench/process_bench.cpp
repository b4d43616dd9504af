// Source processing throughput: `process --mark all` over a copy of the Free Pascal
// sources (or $POLYVERB_CORPUS), copied once per run into a temporary directory under
// $TMPDIR, and put back before each iteration, so every iteration rewrites the same text.
//
//  BM_ProcessPerFile       a fresh language file per source file: read, extract, rewrite,
//                          write both files. Compare with extract_bench's BM_Extract.
//  BM_ProcessPerDirectory  one language file per directory, as one wizard run over a
//                          project: every module saves the whole file again, so the
//                          bytes written grow with the square of a directory's module
//                          count. bytes_written (both files, counted at the write seam)
//                          against BM_ProcessPerFile's shows by how much.
//
// Peak heap is counted as extract_bench counts it: operator new/delete are replaced in this
// binary and track live bytes; the counter is the largest peak one file's call reached.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "bench/HeapCounter.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "source/LiteralList.h"
#include "source/SourceProcessing.h"

using heap_counter::g_live;
using heap_counter::g_peak;

namespace {

namespace fs = std::filesystem;

struct CorpusFile {
  fs::path original;  // in the pristine copy
  fs::path work;      // what the benchmark rewrites
  std::size_t bytes = 0;
};

// The corpus copied once into $TMPDIR: `pristine` keeps the sources as read, `work` is
// rewritten by each iteration and restored from `pristine` before the next.
struct Corpus {
  fs::path root;
  std::vector<CorpusFile> files;
  std::size_t bytes = 0;
  std::string origin;

  ~Corpus() {
    std::error_code ec;
    if (!root.empty()) fs::remove_all(root, ec);
  }

  void Restore() const {
    for (const auto& f : files)
      fs::copy_file(f.original, f.work, fs::copy_options::overwrite_existing);
    std::error_code ec;
    fs::remove_all(root / "lng", ec);
    fs::create_directories(root / "lng");
  }
};

Corpus& TheCorpus() {
  static Corpus corpus = [] {
    Corpus c;
    fs::path source = "/usr/share/fpcsrc";
    if (const char* env = std::getenv("POLYVERB_CORPUS")) source = env;
    c.origin = source.string();
    c.root = fs::temp_directory_path() / ("polyverb-process-bench-" + std::to_string(getpid()));
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(source, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const auto ext = it->path().extension().string();
      if ((ext != ".pas" && ext != ".pp") || !it->is_regular_file(ec)) continue;
      const fs::path relative = fs::relative(it->path(), source);
      CorpusFile f{c.root / "pristine" / relative, c.root / "work" / relative,
                   static_cast<std::size_t>(it->file_size(ec))};
      fs::create_directories(f.original.parent_path());
      fs::create_directories(f.work.parent_path());
      fs::copy_file(it->path(), f.original);
      c.bytes += f.bytes;
      c.files.push_back(std::move(f));
    }
    std::sort(c.files.begin(), c.files.end(),
              [](const CorpusFile& a, const CorpusFile& b) { return a.work < b.work; });
    return c;
  }();
  return corpus;
}

// Passes every write on to the real writer and counts its bytes.
class CountingWriter : public polyverb::FileWriter {
 public:
  void WriteAll(int fd, std::string_view data) override {
    inner_.WriteAll(fd, data);
    bytes += data.size();
  }
  std::size_t bytes = 0;

 private:
  polyverb::FileWriter& inner_ = polyverb::CurrentFileWriter();
};

struct RunCounts {
  std::size_t marked = 0;
  std::size_t failed = 0;  // a NUL byte, or more strings than one language file can number
  std::size_t peak = 0;
};

// Processes `file` against language `lang` with every candidate marked.
void ProcessOne(const CorpusFile& file, const std::string& lang, RunCounts& counts) {
  const std::size_t base = g_live.load(std::memory_order_relaxed);
  g_peak.store(base, std::memory_order_relaxed);
  try {
    polyverb::ProcessPasFile(file.work.string(), lang);
  } catch (const polyverb::Error&) {
    ++counts.failed;
  }
  counts.peak = std::max(counts.peak, g_peak.load(std::memory_order_relaxed) - base);
}

polyverb::ScopedStringChooser MarkAll(RunCounts& counts) {
  return polyverb::ScopedStringChooser(
      [&counts](std::span<const std::string>, polyverb::TLangStrings& strings) {
        for (std::int32_t i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = true;
        counts.marked += static_cast<std::size_t>(strings.Count());
      });
}

void Report(benchmark::State& state, const Corpus& c, const RunCounts& counts) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.bytes));
  state.SetLabel(c.origin + " in " + c.root.parent_path().string());
  state.counters["files"] = static_cast<double>(c.files.size());
  state.counters["marked"] = static_cast<double>(counts.marked);
  state.counters["failed"] = static_cast<double>(counts.failed);
  state.counters["peak_heap"] = static_cast<double>(counts.peak);
}

void Measure(benchmark::State& state, const std::vector<std::string>& langs) {
  const Corpus& c = TheCorpus();
  RunCounts counts;
  const auto chooser = MarkAll(counts);
  CountingWriter writer;
  const polyverb::ScopedFileWriter scoped(writer);
  for (auto _ : state) {
    state.PauseTiming();
    c.Restore();
    counts = {};
    writer.bytes = 0;
    state.ResumeTiming();
    for (std::size_t i = 0; i < c.files.size(); ++i) ProcessOne(c.files[i], langs[i], counts);
  }
  Report(state, c, counts);
  state.counters["bytes_written"] = static_cast<double>(writer.bytes);
}

void BM_ProcessPerFile(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  std::vector<std::string> langs;
  for (std::size_t i = 0; i < c.files.size(); ++i)
    langs.push_back((c.root / "lng" / ("f" + std::to_string(i))).string());
  Measure(state, langs);
}

void BM_ProcessPerDirectory(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  std::map<fs::path, std::string> lang_of;
  std::vector<std::string> langs;
  std::size_t most_modules = 0;
  std::map<fs::path, std::size_t> modules;
  for (const auto& file : c.files) {
    const fs::path dir = file.work.parent_path();
    lang_of.try_emplace(dir, (c.root / "lng" / ("d" + std::to_string(lang_of.size()))).string());
    langs.push_back(lang_of[dir]);
    most_modules = std::max(most_modules, ++modules[dir]);
  }
  Measure(state, langs);
  state.counters["directories"] = static_cast<double>(lang_of.size());
  state.counters["most_modules"] = static_cast<double>(most_modules);
}

BENCHMARK(BM_ProcessPerFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ProcessPerDirectory)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
