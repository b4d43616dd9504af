#include "project/ProjectFile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/PathStyle.h"
#include "platform/Text.h"
#include "project/LazarusProject.h"
#include "source/Scanner.h"
#include "source/UnitRewrite.h"

namespace polyverb {
namespace {

// Walks the tokens of a project source and words errors with the file and line.
class DprReader {
 public:
  DprReader(const SourceText& text, std::string_view name)
      : lines_(text.Lines()), name_(name), scanner_(text.Lines()) {
    scanner_.Reset();
  }

  std::vector<UsesEntry> Read() {
    if (!IsWord("program") && !IsWord("library"))
      Fail("expected 'program' or 'library', found " + Shown());
    Next();
    ReadDottedName("a program name");
    if (IsSymbol("(")) {  // program parameters: `program X(Input, Output);`
      while (!scanner_.AtEnd() && !IsSymbol(")")) Next();
      Expect(")");
    }
    Expect(";");

    std::vector<UsesEntry> entries;
    if (!IsWord("uses")) return entries;
    Next();
    for (;;) {
      UsesEntry entry;
      entry.line = scanner_.LineIndex();
      entry.name = ReadDottedName("a unit name");
      if (IsWord("in")) {
        Next();
        if (scanner_.AtEnd() || scanner_.Kind() != tkString)
          Fail("expected a quoted file name after 'in', found " + Shown());
        if (scanner_.Token().empty()) Fail("empty file name after 'in' for unit " + entry.name);
        entry.in_path = std::string(scanner_.Token());
        const std::int32_t line = scanner_.LineIndex(), col = scanner_.NextPos();
        Next();
        entry.form = FormComment(line, col);
      }
      entries.push_back(std::move(entry));
      if (IsSymbol(";")) break;
      if (IsSymbol(",")) {
        Next();
        continue;
      }
      // Two entries with no comma between them: each branch of an {$IFDEF}/{$ELSE} pair
      // names a unit, and the scanner sees both.
      if (!scanner_.AtEnd() && scanner_.Kind() == tkIdentifier) continue;
      Fail("expected ',' or ';' after unit " + entries.back().name + ", found " + Shown());
    }
    return entries;
  }

 private:
  void Next() { scanner_.NextToken(); }

  bool IsWord(std::string_view lower) const {
    return !scanner_.AtEnd() && scanner_.Kind() == tkIdentifier && scanner_.Token() == lower;
  }
  bool IsSymbol(std::string_view symbol) const {
    return !scanner_.AtEnd() && scanner_.Kind() == tkSymbol && scanner_.Token() == symbol;
  }
  void Expect(std::string_view symbol) {
    if (!IsSymbol(symbol)) Fail("expected '" + std::string(symbol) + "', found " + Shown());
    Next();
  }

  // The name in the first plain comment between (line, col) and the current token: the
  // `{Form1}` or `{Frame1: TFrame}` the IDE writes after a form unit's entry.
  std::optional<std::string> FormComment(std::int32_t line, std::int32_t col) const {
    const auto end_line =
        std::min<std::int32_t>(scanner_.LineIndex(), static_cast<std::int32_t>(lines_.size()) - 1);
    for (; line <= end_line; ++line, col = 1) {
      std::string_view text = lines_[static_cast<std::size_t>(line)];
      if (line == scanner_.LineIndex() && !scanner_.AtEnd())
        text = text.substr(0, static_cast<std::size_t>(scanner_.TokenPos() - 1));
      const std::size_t open = text.find('{', static_cast<std::size_t>(col - 1));
      if (open == std::string_view::npos) continue;
      const std::size_t close = text.find('}', open);
      if (close == std::string_view::npos || text.substr(open + 1, 1) == "$") return std::nullopt;
      std::string_view name = text.substr(open + 1, close - open - 1);
      name = name.substr(0, std::min(name.find(':'), name.size()));
      while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
      while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
      if (name.empty()) return std::nullopt;
      return std::string(name);
    }
    return std::nullopt;
  }

  // The current token as written (original letter case), for messages.
  std::string Shown() const {
    if (scanner_.AtEnd()) return "the end of the file";
    const std::string_view line = lines_[static_cast<std::size_t>(scanner_.LineIndex())];
    const auto from = static_cast<std::size_t>(scanner_.TokenPos() - 1);
    const auto to = std::min(static_cast<std::size_t>(scanner_.NextPos() - 1), line.size());
    std::string shown(line.substr(from, to - from));
    if (shown.size() > 40) shown = shown.substr(0, 40) + "...";
    return "'" + shown + "'";
  }

  // ident {"." ident}, joined with the letter case of the source.
  std::string ReadDottedName(std::string_view what) {
    std::string name;
    for (;;) {
      if (scanner_.AtEnd() || scanner_.Kind() != tkIdentifier)
        Fail("expected " + std::string(what) + ", found " + Shown());
      const std::string_view line = lines_[static_cast<std::size_t>(scanner_.LineIndex())];
      name += line.substr(static_cast<std::size_t>(scanner_.TokenPos() - 1),
                          static_cast<std::size_t>(scanner_.NextPos() - scanner_.TokenPos()));
      Next();
      if (!IsSymbol(".")) return name;
      name += '.';
      Next();
    }
  }

  [[noreturn]] void Fail(const std::string& what) const {
    // At the end of the source the scanner's line index is one past the last line.
    const auto line = std::min<std::size_t>(static_cast<std::size_t>(scanner_.LineIndex()),
                                            lines_.empty() ? 0 : lines_.size() - 1);
    throw Error("Project file " + std::string(name_) + ", line " + std::to_string(line + 1) + ": " +
                what);
  }

  std::span<const std::string_view> lines_;
  std::string_view name_;
  TvScanner scanner_;
};

bool PathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// The entry of `dir` whose name equals `name` but for letter case; the first in byte order.
std::optional<std::string> MatchInDirectory(const std::string& dir, std::string_view name) {
  std::unique_ptr<DIR, DirCloser> handle(::opendir(dir.empty() ? "/" : dir.c_str()));
  if (!handle) return std::nullopt;
  const std::string wanted = LowerCase(name);
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(handle.get())) {
    const std::string_view candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (LowerCase(candidate) == wanted && (!best || candidate < *best))
      best = std::string(candidate);
  }
  return best;
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  const bool has_extension =
      dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
  return std::string(has_extension ? path.substr(0, dot) : path) + std::string(extension);
}

bool HasExtension(std::string_view path, std::string_view extension) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash) &&
         SameTextAscii(path.substr(dot), extension);
}

}  // namespace

std::vector<UsesEntry> ParseProjectUses(const SourceText& text, std::string_view name) {
  return DprReader(text, name).Read();
}

std::string FullPathName(std::string_view path) {
  std::string absolute = !path.empty() && path.front() == '/'
                             ? std::string(path)
                             : CurrentDirectory() + "/" + std::string(path);
  std::vector<std::string_view> parts;
  std::string_view rest = absolute;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result;
  for (auto part : parts) result.append("/").append(part);
  return result.empty() ? "/" : result;
}

std::optional<std::string> FindIgnoringCase(const std::string& path) {
  if (PathExists(path)) return path;
  // Component by component from the root: only components that do not exist as
  // written cost a directory listing.
  std::string found;
  std::string_view rest = path;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty()) continue;
    std::string exact = found + "/" + std::string(part);
    if (PathExists(exact)) {
      found = std::move(exact);
      continue;
    }
    const auto match = MatchInDirectory(found, part);
    if (!match) return std::nullopt;
    found += "/" + *match;
  }
  return found.empty() ? std::optional<std::string>("/") : found;
}

ProjectFile::ProjectFile(const std::string& path) : file_name_(FullPathName(path)) {
  if (HasExtension(file_name_, ".lpr")) {
    // The IDE opens a program through its project: the .lpi beside it.
    if (auto lpi = FindIgnoringCase(ReplaceExtension(file_name_, ".lpi"))) file_name_ = *lpi;
  }
  directory_ = file_name_.substr(0, file_name_.rfind('/'));
  if (HasExtension(file_name_, ".lpi"))
    ReadLazarusProject();
  else
    ReadProgram();
}

void ProjectFile::ReadProgram() {
  main_source_ = file_name_;
  uses_ = ParseProjectUses(ReadSourceFile(file_name_), file_name_);

  files_.push_back(file_name_);
  for (const UsesEntry& entry : uses_) {
    if (!entry.in_path) continue;  // a library unit: not a file of the project
    std::string written = *entry.in_path;
    std::replace(written.begin(), written.end(), '\\', '/');
    const std::string full = FullPathName(
        !written.empty() && written.front() == '/' ? written : directory_ + "/" + written);
    std::string listed = FindIgnoringCase(full).value_or(full);
    if (entry.form) forms_.emplace_back(listed, *entry.form);
    // Conditional branches may name the same file twice; the IDE lists a file once.
    if (std::find(files_.begin(), files_.end(), listed) == files_.end())
      files_.push_back(std::move(listed));
  }
  for (std::string_view extension : {".res", ".dof"}) {
    if (auto found = FindIgnoringCase(ReplaceExtension(file_name_, extension)))
      files_.push_back(std::move(*found));
  }
}

void ProjectFile::ReadLazarusProject() {
  const LazarusProject project(file_name_);
  is_lazarus_ = true;
  main_source_ = project.MainSource();
  if (main_source_.empty())
    throw Error("Project file " + file_name_ +
                " names no main program (no unit of the project is its MainUnit)");
  for (const LazarusUnit& unit : project.Units()) files_.push_back(unit.file_name);
  search_path_ = project.UnitSearchPath();
}

std::vector<std::string> FilesUsingUnit(const std::vector<std::string>& files,
                                        std::string_view unit) {
  std::vector<std::string> using_it;
  for (const std::string& file : files) {
    const std::size_t dot = file.rfind('.');
    const std::string_view ext = dot == std::string::npos ? "" : std::string_view(file).substr(dot);
    if (!SameTextAscii(ext, ".pas") && !SameTextAscii(ext, ".dpr")) continue;
    try {
      for (const std::string& used : UsedUnits(ReadSourceFile(file).Lines()))
        if (SameTextAscii(used, unit)) {
          using_it.push_back(file);
          break;
        }
    } catch (const Error&) {
      // Unreadable: it names nothing.
    }
  }
  return using_it;
}

std::optional<std::string> ProjectFile::FormOf(const std::string& path) const {
  for (const auto& [file, form] : forms_)
    if (file == path) return form;
  return std::nullopt;
}

}  // namespace polyverb
