// Extraction throughput: read, split into lines, scan and extract, file by file from disk,
// over the Free Pascal sources (or $POLYVERB_CORPUS, or a generated corpus when neither
// exists). A "count quotes" pass over the same files is the floor for comparison.
//
// Peak heap is measured, not guessed: operator new/delete are replaced in this binary and
// count live bytes; the counter is the largest peak any one file's pipeline reached.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "bench/HeapCounter.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/SoundExtraction.h"
#include "source/SourceText.h"

using heap_counter::g_live;
using heap_counter::g_peak;

namespace {

namespace fs = std::filesystem;

// Removes a generated corpus when the run ends.
struct GeneratedCorpus {
  fs::path dir;
  ~GeneratedCorpus() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

std::string GeneratedUnit(int n) {
  std::string s = "unit Gen" + std::to_string(n) +
                  ";\r\n\r\n{ Generated for the extraction benchmark. }\r\ninterface\r\n\r\n"
                  "uses SysUtils, Classes;\r\n\r\nconst\r\n  SName = 'Generated unit';\r\n\r\n"
                  "implementation\r\n\r\n";
  for (int r = 0; r < 400; ++r) {
    const std::string id = std::to_string(r);
    s += "(* Routine " + id +
         ": shows a message and looks a field up. *)\r\n"
         "procedure TForm1.Button" +
         id +
         "Click(Sender: TObject);\r\n"
         "var\r\n  I: Integer;\r\n  S: string;\r\nbegin\r\n"
         "  // count the records first\r\n"
         "  for I := 0 to 10 do\r\n    S := S + IntToStr(I) + ', ';\r\n"
         "  if Table1.FieldByName('Name').AsString = '' then\r\n"
         "    ShowMessage('Record ' + IntToStr(I) + ' has no name, isn''t it?')\r\n"
         "  else\r\n  begin\r\n    Caption := Format('%d items', [I]);\r\n"
         "    Label1.Caption := 'Done: ' + S; { shown to the user }\r\n  end;\r\nend;\r\n\r\n";
  }
  return s + "end.\r\n";
}

struct Corpus {
  std::vector<std::string> files;
  std::size_t bytes = 0;
  std::size_t largest = 0;
  std::string origin;
  GeneratedCorpus generated;
};

Corpus& TheCorpus() {
  static Corpus corpus = [] {
    Corpus c;
    fs::path root = "/usr/share/fpcsrc";
    if (const char* env = std::getenv("POLYVERB_CORPUS")) root = env;
    std::error_code ec;
    if (fs::is_directory(root, ec)) {
      for (auto it = fs::recursive_directory_iterator(root, ec);
           !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const auto ext = it->path().extension().string();
        if ((ext == ".pas" || ext == ".pp") && it->is_regular_file(ec))
          c.files.push_back(it->path().string());
      }
      c.origin = root.string();
    }
    if (c.files.empty()) {
      c.generated.dir = fs::temp_directory_path() / ("polyverb-bench-" + std::to_string(getpid()));
      fs::create_directories(c.generated.dir);
      for (int n = 0; n < 40; ++n) {
        const auto path = c.generated.dir / ("gen" + std::to_string(n) + ".pas");
        std::ofstream(path, std::ios::binary) << GeneratedUnit(n);
        c.files.push_back(path.string());
      }
      c.origin = "generated";
    }
    std::sort(c.files.begin(), c.files.end());
    for (const auto& f : c.files) {
      const auto size = static_cast<std::size_t>(fs::file_size(f, ec));
      if (ec) continue;
      c.bytes += size;
      c.largest = std::max(c.largest, size);
    }
    return c;
  }();
  return corpus;
}

void Describe(benchmark::State& state, const Corpus& c) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.bytes));
  state.counters["files"] = static_cast<double>(c.files.size());
  state.SetLabel(c.origin);
}

// The whole pipeline as source processing runs it, one file after another: the classic
// rules (argument 0) or the sound rules (1; include files not followed, so that each file's
// bytes are scanned once, as for the classic rules).
void BM_Extract(benchmark::State& state) {
  const bool sound = state.range(0) == 1;
  const Corpus& c = TheCorpus();
  std::size_t candidates = 0, refused = 0, peak = 0;
  for (auto _ : state) {
    candidates = refused = 0;
    for (const auto& file : c.files) {
      const std::size_t base = g_live.load(std::memory_order_relaxed);
      g_peak.store(base, std::memory_order_relaxed);
      try {
        const polyverb::SourceText source = polyverb::ReadSourceFile(file);
        polyverb::TLangStrings strings;
        if (sound)
          polyverb::FindStringsSound(source.Lines(), strings);
        else
          polyverb::FindStrings(source.Lines(), strings);
        candidates += static_cast<std::size_t>(strings.Count());
      } catch (const polyverb::Error&) {
        ++refused;  // a NUL byte, or a file that vanished
      }
      peak = std::max(peak, g_peak.load(std::memory_order_relaxed) - base);
    }
  }
  Describe(state, c);
  state.counters["candidates"] = static_cast<double>(candidates);
  state.counters["refused"] = static_cast<double>(refused);
  state.counters["largest_file"] = static_cast<double>(c.largest);
  state.counters["peak_heap"] = static_cast<double>(peak);
  state.counters["peak_per_largest"] = static_cast<double>(peak) / static_cast<double>(c.largest);
}

// Reading and line splitting alone: what the scanner's share is measured against.
void BM_ReadAndSplit(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  std::size_t lines = 0;
  for (auto _ : state) {
    lines = 0;
    for (const auto& file : c.files) {
      try {
        lines += polyverb::ReadSourceFile(file).Lines().size();
      } catch (const polyverb::Error&) {
      }
    }
  }
  Describe(state, c);
  state.counters["lines"] = static_cast<double>(lines);
}

// The floor: read each file and count its quote bytes, knowing nothing of Pascal.
void BM_CountQuotes(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  std::size_t quotes = 0;
  for (auto _ : state) {
    quotes = 0;
    for (const auto& file : c.files) {
      const std::string bytes = polyverb::ReadWholeFile(file);
      quotes += static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\''));
    }
  }
  Describe(state, c);
  state.counters["quotes"] = static_cast<double>(quotes);
}

BENCHMARK(BM_CountQuotes)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadAndSplit)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Extract)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
