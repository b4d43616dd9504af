// restore_check: compares a tree of Pascal sources that went through polyverb process and
// polyverb restore (bench/roundtrip.sh) with the original tree, file by file.
//
// A file counts as given back when it equals the original up to the differences that
// conversion and restore are allowed to make: line ends (every line ends in CR LF), and a
// "+" between a literal and a character code ('abc'+#13 comes back as 'abc'#13). Every
// other difference is listed with its first differing line.
//
//   restore_check ORIGINAL_DIR RESTORED_DIR
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "source/Rewrite.h"
#include "source/SourceText.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The line without a "+" that joins a closing quote to a character code, or a character
// code to an opening quote ('a'+#13 and #13+'a' read as 'a'#13 and #13'a').
std::string WithoutGluePlus(std::string_view line) {
  using polyverb::GlueAt;
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\'') quoted = !quoted;
    if (!quoted && c == '+' && i > 0 && i + 1 < line.size()) {
      const auto at = static_cast<std::int32_t>(i);
      if ((line[i - 1] == '\'' && GlueAt(line, 1, at + 2).after) ||
          (line[i + 1] == '\'' && GlueAt(line, at + 1, at + 2).before))
        continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace polyverb;
  if (argc != 3) {
    std::fprintf(stderr, "usage: restore_check ORIGINAL_DIR RESTORED_DIR\n");
    return 2;
  }
  const fs::path original_root = argv[1];
  const fs::path restored_root = argv[2];
  int files = 0, same = 0, line_ends = 0, glue = 0, differ = 0, unreadable = 0;
  for (const auto& entry : fs::recursive_directory_iterator(original_root)) {
    if (!entry.is_regular_file() || entry.is_symlink()) continue;
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext != ".pas" && ext != ".pp" && ext != ".inc" && ext != ".lpr" && ext != ".dpr") continue;
    ++files;
    const fs::path relative = fs::relative(entry.path(), original_root);
    const std::string before = Read(entry.path());
    const std::string after = Read(restored_root / relative);
    if (before == after) {
      ++same;
      continue;
    }
    try {
      const SourceText a(before, relative.string());
      const SourceText b(after, relative.string());
      const auto la = a.Lines();
      const auto lb = b.Lines();
      if (std::equal(la.begin(), la.end(), lb.begin(), lb.end())) {
        ++line_ends;
        continue;
      }
      bool glued = la.size() == lb.size();
      std::size_t first = 0;
      for (std::size_t i = 0; i < std::min(la.size(), lb.size()); ++i) {
        if (la[i] == lb[i]) continue;
        if (WithoutGluePlus(la[i]) != WithoutGluePlus(lb[i])) {
          glued = false;
          first = i;
          break;
        }
      }
      if (glued) {
        ++glue;
        continue;
      }
      ++differ;
      std::printf("%s:%zu:\n  - %.*s\n  + %.*s\n", relative.c_str(), first + 1,
                  static_cast<int>(first < la.size() ? la[first].size() : 0),
                  first < la.size() ? la[first].data() : "",
                  static_cast<int>(first < lb.size() ? lb[first].size() : 0),
                  first < lb.size() ? lb[first].data() : "");
    } catch (const std::exception& e) {
      ++unreadable;  // not a text file (a NUL byte): conversion leaves it alone too
    }
  }
  std::printf(
      "files %d: identical %d, up to line ends %d, up to a + next to a character code %d, "
      "different %d, not text %d\n",
      files, same, line_ends, glue, differ, unreadable);
  return differ == 0 ? 0 : 1;
}
