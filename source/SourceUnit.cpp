#include "source/SourceUnit.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "source/LiteralExtraction.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

// A run over many units asks for the same include files and folders again and again: the
// answers are kept by absolute path for the life of the thread; a folder's listing is
// read again when the folder changes.
std::string KeyOf(const std::string& path) {
  thread_local std::unordered_map<std::string, std::string> keys;
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  if (ec) return path;
  const auto [it, added] = keys.try_emplace(absolute.string());
  if (added) {
    const fs::path canonical = fs::weakly_canonical(absolute, ec);
    it->second = ec ? path : canonical.string();
  }
  return it->second;
}

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The regular files of `folder`, sorted.
const std::vector<fs::path>& FilesIn(const fs::path& folder) {
  struct Listing {
    timespec modified{};
    ino_t inode = 0;
    std::vector<fs::path> files;
  };
  thread_local std::unordered_map<std::string, Listing> listings;
  static const std::vector<fs::path> kNone;
  std::error_code ec;
  const std::string absolute = fs::absolute(folder, ec).string();
  struct stat st;
  if (ec || ::stat(absolute.c_str(), &st) != 0) return kNone;
  Listing& listing = listings[absolute];
  if (listing.inode != st.st_ino || listing.modified.tv_sec != st.st_mtim.tv_sec ||
      listing.modified.tv_nsec != st.st_mtim.tv_nsec) {
    listing = Listing{st.st_mtim, st.st_ino, {}};
    for (auto entry = fs::directory_iterator(absolute, ec);
         !ec && entry != fs::directory_iterator(); entry.increment(ec))
      if (IsFile(entry->path())) listing.files.push_back(folder / entry->path().filename());
    std::sort(listing.files.begin(), listing.files.end());
  }
  return listing.files;
}

// `name` in `dir`: as written, else the first entry whose name differs only in letter case.
std::optional<fs::path> FindIn(const fs::path& dir, const fs::path& name) {
  const fs::path exact = dir / name;
  const fs::path folder = exact.parent_path().empty() ? fs::path(".") : exact.parent_path();
  const std::string wanted = exact.filename().string();
  const std::vector<fs::path>& files = FilesIn(folder);
  for (const fs::path& file : files)
    if (file.filename() == wanted) return exact;
  for (const fs::path& file : files)
    if (SameTextAscii(file.filename().string(), wanted)) return file;
  return std::nullopt;
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
