// Load and save of a language file with 65535 entries of 40-byte texts, next to a plain
// copy of the same file (read whole, write whole, fsync) as the floor to compare against.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "langfile/LangFileEdit.h"
#include "platform/Files.h"

namespace {

struct Fixture {
  std::string dir;
  std::string path;
  std::size_t size = 0;

  Fixture() {
    char templ[] = "/tmp/polyverb-bench-XXXXXX";
    dir = ::mkdtemp(templ);
    path = dir + "/english.lng";
    auto file = polyverb::TvLangFileEdit::OpenPath(path);
    for (int n = 1; n <= 65535; ++n) {
      std::string text = "String number " + std::to_string(n) + " of the table: ";
      text.resize(40, 'x');
      file->AddIdent(static_cast<uint16_t>(n), text, 0);
    }
    file->Save();
    size = std::filesystem::file_size(path);
  }
  ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& TheFile() {
  static Fixture fixture;
  return fixture;
}

void BM_Load(benchmark::State& state) {
  Fixture& f = TheFile();
  for (auto _ : state) {
    auto file = polyverb::TvLangFileEdit::OpenPath(f.path);
    benchmark::DoNotOptimize(file->Idents().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.size));
}

void BM_Save(benchmark::State& state) {
  Fixture& f = TheFile();
  auto file = polyverb::TvLangFileEdit::OpenPath(f.path);
  for (auto _ : state) file->Save();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.size));
}

// The reference: what any program must pay to read the file and durably write it again.
void BM_PlainCopy(benchmark::State& state) {
  Fixture& f = TheFile();
  std::string target = f.dir + "/copy.lng";
  for (auto _ : state) {
    std::string bytes = polyverb::ReadWholeFile(f.path);
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0)
      state.SkipWithError("plain copy failed");
    ::close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.size));
}

}  // namespace

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
