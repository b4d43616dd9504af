// The editable language file: the writer and the two string-table operations source
// processing needs.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "langfile/LangFile.h"
#include "platform/ByteBuffer.h"
#include "platform/Files.h"

namespace polyverb {

class TvLangFileEdit : public TvLangFile {
 public:
  // Reads (or creates empty) the file that `name` gives by MakeLangFileName.
  explicit TvLangFileEdit(std::string_view name) : TvLangFile(name) {}

  // Reads the file at `path` taken as given (no name rule), creating it empty when missing,
  // exactly as the name constructor does.
  static std::unique_ptr<TvLangFileEdit> OpenPath(const std::string& path);
  // Reads an existing file at `path` without creating or changing anything; a missing file
  // is "Cannot open file %s".
  static std::unique_ptr<TvLangFileEdit> ReadExisting(const std::string& path);
  // Reads a whole file held in memory; `name` stands for it in messages and is where Save
  // would write.
  static std::unique_ptr<TvLangFileEdit> FromBytes(std::string_view bytes, std::string name);
  // Reads the file that `lock` holds (its path taken as given). Save then replaces the file
  // through that lock (ReplaceLockedFile), never taking a second one from this process.
  // REQUIRES: `lock` outlives the object. LangFileWriter is the way to use it.
  static std::unique_ptr<TvLangFileEdit> ReadLocked(LockedFile& lock);

  // Number of the last entry of the table (not the largest), 0 when the table is empty.
  int LastNumber() const;
  // The largest number in the table, 0 when empty: where new numbers must start above.
  int LargestNumber() const;

  // Inserts an entry (no check for a number already present) and gives its position:
  // after the last entry when `number` >= LastNumber, else before the first entry whose
  // number is `number` or more.
  int AddIdent(uint16_t number, std::string_view text, uint16_t tag);

  // Writes the whole model to FileName() in version "2.00", atomically: on any failure the
  // file on disk is byte-identical to before and the model is unchanged. Throws
  // "Cannot create file %s: REASON" (cannot create, or still held by another process
  // after the wait), "Stream write error on %s: REASON" (a write or flush failed), or an
  // Error naming the file when a list exceeds what the format can count (more than 65535
  // entries) or a text cannot be stored.
  virtual void Save();
  // The same, to another path; FileName() stays as it is.
  void SaveAs(const std::string& path);

  // The bytes Save would write, in one buffer of their exact size. Throws as Save does
  // for content that cannot be stored.
  ByteBuffer SerializeToBuffer() const;
  // The same as a string.
  std::string Serialize() const;

 protected:
  using TvLangFile::TvLangFile;

  void WriteHeader(lng::ByteWriter& out, const TvLangHeader& header) const;
  void WriteFonts(lng::ByteWriter& out) const;

 private:
  [[noreturn]] void CannotStore(std::string_view what) const;

  LockedFile* lock_ = nullptr;  // the lock FileName() was read under, if any; not owned
};

}  // namespace polyverb
