#include "source/SourceProcessing.h"

#include <sys/stat.h>

#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "langfile/LangFileWriter.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "source/LiteralExtraction.h"
#include "source/Rewrite.h"
#include "source/Scanner.h"
#include "source/SourceText.h"

namespace polyverb {

std::string CurFileName;
uint16_t NextStrNumber = 0;
TvLangFileEdit* LangFile = nullptr;

namespace {

TStringChooser& InstalledChooser() {
  static TStringChooser chooser;
  return chooser;
}

// Points LangFile at a call's language file and clears it on every way out.
class LangFileScope {
 public:
  explicit LangFileScope(TvLangFileEdit& file) { LangFile = &file; }
  ~LangFileScope() { LangFile = nullptr; }
  LangFileScope(const LangFileScope&) = delete;
  LangFileScope& operator=(const LangFileScope&) = delete;
};

// Every chosen entry must lie within its line as read, or the splice would cut elsewhere.
void CheckPlaces(const std::vector<std::string>& lines, const TLangStrings& strings) {
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    if (!s.Chosen) continue;
    const bool inside = s.LineIndex >= 0 && static_cast<std::size_t>(s.LineIndex) < lines.size() &&
                        s.StartPos >= 1 && s.StartPos < s.NextPos &&
                        static_cast<std::size_t>(s.NextPos - 1) <=
                            lines[static_cast<std::size_t>(s.LineIndex)].size();
    if (!inside)
      throw Error("String " + std::to_string(i) + " of " + CurFileName + " (line " +
                  std::to_string(s.LineIndex + 1) + ", columns " + std::to_string(s.StartPos) +
                  " to " + std::to_string(s.NextPos) + ") lies outside the source");
  }
}

}  // namespace

ScopedStringChooser::ScopedStringChooser(TStringChooser chooser)
    : previous_(std::exchange(InstalledChooser(), std::move(chooser))) {}

ScopedStringChooser::~ScopedStringChooser() {
  InstalledChooser() = std::move(previous_);
}

void ChooseStrings(std::span<const std::string> lines, TLangStrings& strings) {
  if (strings.Count() == 0) return;
  const TStringChooser& chooser = InstalledChooser();
  if (!chooser) throw Error("No string chooser is installed to mark the strings of " + CurFileName);
  // Cleared first, so whatever the chooser does not mark counts as unmarked.
  for (std::int32_t i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = false;
  chooser(lines, strings);
}

void ReplaceStrings(std::vector<std::string>& lines, const TLangStrings& strings) {
  if (!LangFile) throw Error("ReplaceStrings called with no language file");
  CheckPlaces(lines, strings);
  CheckNumbering(*LangFile, NextStrNumber, CountChosen(strings), CurFileName);

  std::int32_t last_line = -1;
  std::int32_t shift = 0;
  std::string as_read;  // the line before its first replacement: glue is judged on it
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    if (!s.Chosen) continue;
    std::string& line = lines[static_cast<std::size_t>(s.LineIndex)];
    if (s.LineIndex != last_line) {
      last_line = s.LineIndex;
      shift = 0;
      as_read = line;
    }
    const std::string replacement =
        Replacement(NextStrNumber, GlueAt(as_read, s.StartPos, s.NextPos));
    const auto from = static_cast<std::size_t>(s.StartPos + shift - 1);
    const auto length = static_cast<std::size_t>(s.NextPos - s.StartPos);
    line.replace(from, length, replacement);
    shift += static_cast<std::int32_t>(replacement.size()) - (s.NextPos - s.StartPos);
    LangFile->AddIdent(NextStrNumber, s.Text, 0);
    ++NextStrNumber;
  }
}

namespace {

// What identifies the content of a file on disk without reading it: an atomic replace
// gives a new inode, an edit in place a new size or time.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

// Raises `failure` with the failed save's message appended; raises the save's failure
// itself when there was none before.
[[noreturn]] void RaiseWithSaveFailure(const std::exception_ptr& failure,
                                       const Error& save_failure) {
  if (!failure) throw save_failure;
  try {
    std::rethrow_exception(failure);
  } catch (const Error& first) {
    throw Error(std::string(first.what()) +
                " (the language file was not saved either: " + save_failure.what() + ")");
  }
}

}  // namespace

void ProcessPasFile(const std::string& file_name, const std::string& lang_name,
                    const LangFileStep& under_lock) {
  CurFileName = file_name;
  const std::string lang_path = MakeLangFileName(lang_name);
  // A language file that cannot be read stops everything before the source is read.
  TvLangFileEdit::OpenPath(lang_path);

  std::exception_ptr failure;
  TLangStrings strings;
  std::vector<std::string> lines;
  bool has_bom = false;
  std::optional<FileStamp> stamp;
  try {
    stamp = StampOf(file_name);
    {
      const SourceText source = ReadSourceFile(file_name);
      has_bom = source.HasByteOrderMark();
      FindStrings(source.Lines(), strings);
      // Lines to edit are copied only when there is something to replace.
      if (strings.Count() > 0) lines.assign(source.Lines().begin(), source.Lines().end());
    }
    // The user decides before the language file is locked: that may take minutes.
    if (strings.Count() > 0) ChooseStrings(lines, strings);
  } catch (...) {
    failure = std::current_exception();
  }

  std::optional<LangFileWriter> writer;
  try {
    writer.emplace(lang_path);
  } catch (const Error& e) {
    RaiseWithSaveFailure(failure, e);
  }
  const LangFileScope scope(writer->File());
  bool save_tried = false;  // a failed save is not tried a second time
  if (!failure) {
    try {
      std::string text;
      if (strings.Count() > 0) {
        if (StampOf(file_name) != stamp)
          throw Error("Source file " + file_name +
                      " was changed on disk while its strings were chosen; it was not rewritten");
        // Numbered from the table read under the lock. Checked here on the full int: 65536
        // would wrap to 0 in the 16-bit NextStrNumber.
        const int first = FirstFreeNumber(*LangFile);
        CheckNumbering(*LangFile, first, CountChosen(strings), file_name);
        NextStrNumber = static_cast<uint16_t>(first);
        ReplaceStrings(lines, strings);
        if (has_bom) text = kUtf8ByteOrderMark;
        text += JoinLinesCrLf(lines);
      }
      if (under_lock) under_lock(*LangFile);
      // The language file first: should its save fail, the source still holds the literals.
      save_tried = true;
      LangFile->Save();
      if (strings.Count() > 0) {
        try {
          ReplaceFile(file_name, text);
        } catch (const FileError& e) {
          if (std::string_view(e.what()).starts_with("Cannot create file ")) throw;
          throw CannotCreateFile(file_name, e.Reason());
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }

  if (!save_tried) {
    try {
      LangFile->Save();
    } catch (const Error& save_failure) {
      RaiseWithSaveFailure(failure, save_failure);
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace polyverb
