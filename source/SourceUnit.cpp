#include "source/SourceUnit.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "source/LiteralExtraction.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

std::string KeyOf(const std::string& path) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? path : canonical.string();
}

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// `name` in `dir`: as written, else the one entry whose name differs only in letter case.
std::optional<fs::path> FindIn(const fs::path& dir, const fs::path& name) {
  const fs::path exact = dir / name;
  if (IsFile(exact)) return exact;
  const fs::path folder = exact.parent_path();
  const std::string wanted = exact.filename().string();
  std::error_code ec;
  std::vector<fs::path> matches;
  for (auto it = fs::directory_iterator(folder.empty() ? fs::path(".") : folder, ec);
       !ec && it != fs::directory_iterator(); it.increment(ec))
    if (SameTextAscii(it->path().filename().string(), wanted) && IsFile(it->path()))
      matches.push_back(it->path());
  if (matches.empty()) return std::nullopt;
  std::sort(matches.begin(), matches.end());
  return matches.front();
}

}  // namespace

TSourceUnit::TSourceUnit(const std::string& path, TConversionRun& run)
    : TSourceUnit(ReadSourceFile(path), path, run) {}

TSourceUnit::TSourceUnit(SourceText main_text, const std::string& path, TConversionRun& run) {
  auto main =
      std::make_unique<TSourceFile>(TSourceFile{path, KeyOf(path), std::move(main_text), 0, true});
  line_count_ = static_cast<std::int32_t>(main->text.Lines().size());
  const auto lines = main->text.Lines();
  if (!run.Sound()) {
    files_.push_back(std::move(main));
    FindStrings(lines, strings_);
    return;
  }
  // A file another unit of the run included has been offered with that unit.
  main->offered = !run.OfferedAsInclude(main->key);
  if (!main->offered)
    run.Warn(path +
             " was read as an include file earlier in this run; its literals were "
             "offered there");
  run.MarkOffered(main->key, false);
  const bool offer = main->offered;
  files_.push_back(std::move(main));
  TIncludeResolver resolver;
  if (run.Options().follow_includes)
    resolver = [&](std::string_view name, std::int32_t from, std::int32_t line) {
      return Resolve(name, from, line, run);
    };
  facts_ = FindStringsSound(lines, strings_, resolver, offer);
}

std::optional<TIncludedFile> TSourceUnit::Resolve(std::string_view name, std::int32_t from,
                                                  std::int32_t line, TConversionRun& run) {
  const TSourceFile& including = *files_[static_cast<std::size_t>(from)];
  std::string written(name);
  std::replace(written.begin(), written.end(), '\\', '/');
  const fs::path wanted(written);

  std::vector<fs::path> dirs;
  if (wanted.is_absolute()) {
    dirs.emplace_back();
  } else {
    dirs.push_back(fs::path(including.path).parent_path());
    dirs.push_back(fs::path(Path()).parent_path());
    for (const std::string& dir : run.Options().include_dirs) dirs.emplace_back(dir);
  }
  std::vector<fs::path> names = {wanted};
  if (!wanted.has_extension())
    for (const char* ext : {".inc", ".pas", ".pp"}) names.push_back(fs::path(written + ext));

  std::optional<fs::path> found;
  for (const fs::path& dir : dirs) {
    for (const fs::path& n : names)
      if ((found = FindIn(dir, n))) break;
    if (found) break;
  }
  const std::string where = including.path + ", line " + std::to_string(line + 1) + ": ";
  if (!found) {
    run.Warn(where + "the include file " + std::string(name) +
             " was not found; its literals are not offered");
    return std::nullopt;
  }

  const std::string path = found->lexically_normal().string();
  const std::string key = KeyOf(path);
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (files_[i]->key != key) continue;
    // Read already in this unit: its literals were offered the first time.
    if (i == 0) return std::nullopt;  // a file that includes itself
    return TIncludedFile{files_[i]->text.Lines(), static_cast<std::int32_t>(i),
                         files_[i]->first_line, false};
  }
  std::optional<SourceText> text;
  try {
    text.emplace(ReadSourceFile(path));
  } catch (const Error& e) {
    run.Warn(where + e.what() + "; its literals are not offered");
    return std::nullopt;
  }
  const bool offer = !run.Offered(key);
  if (offer)
    run.MarkOffered(key, true);
  else if (run.Rewritten(key))
    includes_rewritten_ = true;
  auto file =
      std::make_unique<TSourceFile>(TSourceFile{path, key, std::move(*text), line_count_, offer});
  line_count_ += static_cast<std::int32_t>(file->text.Lines().size());
  const TIncludedFile result{file->text.Lines(), static_cast<std::int32_t>(files_.size()),
                             file->first_line, offer};
  files_.push_back(std::move(file));
  return result;
}

std::size_t TSourceUnit::FileOf(std::int32_t line) const {
  // The last file that starts at or before the line and holds it.
  std::size_t found = 0;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const TSourceFile& f = *files_[i];
    const auto count = static_cast<std::int32_t>(f.text.Lines().size());
    if (line >= f.first_line && line < f.first_line + count) found = i;
  }
  return found;
}

std::string_view TSourceUnit::Line(std::int32_t line) const {
  const TSourceFile& f = *files_[FileOf(line)];
  return f.text.Lines()[static_cast<std::size_t>(line - f.first_line)];
}

std::string TSourceUnit::Written(const TLangStr& s) const {
  std::string written;
  for (std::int32_t l = s.LineIndex; l <= s.last_line; ++l) {
    const std::string_view text = Line(l);
    const auto from = l == s.LineIndex ? static_cast<std::size_t>(s.StartPos - 1) : 0;
    const auto to = l == s.last_line ? static_cast<std::size_t>(s.NextPos - 1) : text.size();
    if (l > s.LineIndex) written += '\n';
    written += text.substr(std::min(from, text.size()), to > from ? to - from : 0);
  }
  return written;
}

std::vector<std::string> TSourceUnit::AllLines() const {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(line_count_));
  for (const auto& f : files_)
    for (std::string_view l : f->text.Lines()) lines.emplace_back(l);
  return lines;
}

}  // namespace polyverb
