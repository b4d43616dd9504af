// PO export and import of a full string table (65535 entries), as the commands do them:
// file in, file out. gettext's msgfmt compiling the same translated PO file runs alongside
// as a subprocess, for scale.
//
//   Export   read english.lng, write english.pot (ExportPoTemplate + atomic replace)
//   Import   read english.lng and the translated PO, write french.lng
//   Msgfmt   msgfmt -o french.mo on that PO (a whole process, start-up included)
//
// Texts: short labels, sentences long enough to wrap, line breaks and quotes, and
// non-ASCII letters; the Windows-1252 variant holds the same texts in that encoding.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "langfile/PoFile.h"
#include "platform/Files.h"

extern char** environ;

namespace {

using polyverb::TextEncoding;
using polyverb::TvLangFileEdit;

constexpr int kEntries = 65535;

std::string Text(int n, TextEncoding encoding) {
  const std::string e_acute = encoding == TextEncoding::kUtf8 ? "\xC3\xA9" : "\xE9";
  switch (n % 4) {
    case 0:
      return "Label " + std::to_string(n);
    case 1:
      return "The file \"report " + std::to_string(n) +
             ".txt\" could not be saved because the "
             "disk is full; free some space and try again, or choose another folder.";
    case 2:
      return "Line one of " + std::to_string(n) + "\r\nLine two\r\n";
    default:
      return "Caf" + e_acute + " n" + std::to_string(n) + " ouvert, r" + e_acute + "sum" + e_acute;
  }
}

struct Files {
  std::string dir, native, pot, po, out, mo;
  ~Files() {
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
};

// Writes the native file and its fully translated PO file (every msgstr = its msgid, as
// msgen makes it) once per encoding.
const Files& Setup(TextEncoding encoding) {
  static Files files[2];
  Files& f = files[encoding == TextEncoding::kUtf8 ? 0 : 1];
  if (!f.dir.empty()) return f;
  char templ[] = "/tmp/po_bench.XXXXXX";
  if (!mkdtemp(templ)) std::abort();
  f.dir = templ;
  f.native = f.dir + "/english.lng";
  f.pot = f.dir + "/english.pot";
  f.po = f.dir + "/fr.po";
  f.out = f.dir + "/french.lng";
  f.mo = f.dir + "/french.mo";
  auto file = TvLangFileEdit::FromBytes("", f.native);
  for (int n = 1; n <= kEntries; ++n)
    file->AddIdent(static_cast<uint16_t>(n), Text(n, encoding), 0);
  file->Save();

  std::string po = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
  for (const auto& rec : file->Idents()) {
    po += '\n';
    polyverb::AppendPoString(po, "msgctxt", std::to_string(rec.Number));
    std::string utf8(rec.Text);
    if (encoding == TextEncoding::kWindows1252) {
      std::size_t at;
      while ((at = utf8.find('\xE9')) != std::string::npos) utf8.replace(at, 1, "\xC3\xA9");
    }
    polyverb::AppendPoString(po, "msgid", utf8);
    polyverb::AppendPoString(po, "msgstr", utf8);
  }
  polyverb::ReplaceFile(f.po, po);
  return f;
}

TextEncoding EncodingOf(const benchmark::State& state) {
  return state.range(0) == 0 ? TextEncoding::kUtf8 : TextEncoding::kWindows1252;
}

void Export(benchmark::State& state) {
  const Files& f = Setup(EncodingOf(state));
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto file = TvLangFileEdit::ReadExisting(f.native);
    std::string pot = polyverb::ExportPoTemplate(*file);
    polyverb::ReplaceFile(f.pot, pot);
    bytes = pot.size();
  }
  state.counters["entries/s"] =
      benchmark::Counter(kEntries, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["pot_bytes"] = static_cast<double>(bytes);
}

void Import(benchmark::State& state) {
  const Files& f = Setup(EncodingOf(state));
  for (auto _ : state) {
    auto file = TvLangFileEdit::ReadExisting(f.native);
    polyverb::PoCatalog catalog = polyverb::ReadPo(polyverb::ReadWholeFile(f.po), f.po);
    polyverb::PoImportReport report = polyverb::ImportPo(*file, catalog, f.po);
    if (report.translated + report.empty != kEntries) state.SkipWithError("import lost entries");
    file->SaveAs(f.out);
  }
  state.counters["entries/s"] =
      benchmark::Counter(kEntries, benchmark::Counter::kIsIterationInvariantRate);
}

void Msgfmt(benchmark::State& state) {
  const Files& f = Setup(EncodingOf(state));
  for (auto _ : state) {
    std::string out = f.mo;
    char* argv[] = {const_cast<char*>("msgfmt"), const_cast<char*>("-o"), out.data(),
                    const_cast<char*>(f.po.c_str()), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "msgfmt", nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("msgfmt (Debian package gettext) is not installed");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("msgfmt failed");
      break;
    }
  }
  state.counters["entries/s"] =
      benchmark::Counter(kEntries, benchmark::Counter::kIsIterationInvariantRate);
}

// Argument 0: UTF-8 texts; 1: Windows-1252 texts.
BENCHMARK(Export)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Import)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Msgfmt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
