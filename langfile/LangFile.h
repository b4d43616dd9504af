// The language file model and reader. One file holds one language: a numbered string table
// with its text pool, the language's locale block, a font list, a text list and property
// groups. Within this system only the string table is ever changed; every other section is
// carried through a load-save cycle intact (groups come back merged and sorted).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "langfile/LangFileFormat.h"
#include "platform/ByteBuffer.h"
#include "platform/PathStyle.h"

namespace polyverb {

// Gives the full file name for a language name or file name: the name lower-cased (in the
// "/" style only its last component, since names are case-sensitive there), ".lng" appended
// unless the lower-cased name (last component) already contains ".lng" anywhere, and the
// current directory put in front when the name has no directory part.
// In the Windows style the whole name is lower-cased and "\" joins the current directory
// even when it already ends in one. Throws Error when the current directory is unknown.
std::string MakeLangFileName(std::string_view name, PathStyle style = kNativePathStyle);
std::string MakeLangFileName(std::string_view name, PathStyle style, std::string_view cwd);

// The header record. Its texts are bounded: the reader keeps at most each field's capacity
// (see LangFileFormat.h). Arrays are indexed from 0 here (month 1 is [0]).
struct TvLangHeader {
  std::string Signature;  // "LF"
  std::string Version;    // "2.00", "1.50", or whatever four bytes were read
  std::string CurrencyString;
  uint8_t CurrencyFormat = 0;
  uint8_t NegCurrFormat = 0;
  char ThousandSeparator = 0;
  char DecimalSeparator = 0;
  uint8_t CurrencyDecimals = 0;
  char DateSeparator = 0;
  std::string ShortDateFormat;
  std::string LongDateFormat;
  char TimeSeparator = 0;
  std::string TimeAMString;
  std::string TimePMString;
  std::string ShortTimeFormat;
  std::string LongTimeFormat;
  std::array<std::string, 12> ShortMonthNames;
  std::array<std::string, 12> LongMonthNames;
  std::array<std::string, 7> ShortDayNames;
  std::array<std::string, 7> LongDayNames;
  std::array<std::string, 7> EraNames;
  std::array<int32_t, 7> EraYearOffsets{};
  uint16_t HeaderWord = 0;
  uint8_t HeaderByte = 0;

  bool operator==(const TvLangHeader&) const = default;
};

// One entry of the string table. Its text is not copied out of the file: it views the
// bytes the file object keeps (a large table would otherwise be a heap string per entry).
struct TvIdentRec {
  uint16_t Number = 0;
  uint32_t Offset = 0;  // position in the text pool; meaningful right after a read or save
  // Never holds a zero byte once read; Save refuses one. Valid as long as the file object
  // that holds the entry; a text put in by hand must last as long (TvLangFile::KeepText).
  std::string_view Text;
  uint16_t Tag = 0;

  bool operator==(const TvIdentRec&) const = default;
};

class TvFontItem {
 public:
  std::string FontName;
  uint16_t FontWord = 0;
  uint8_t FontByte = 0;

  bool operator==(const TvFontItem&) const = default;
};

// Named property groups. Both levels are kept sorted by the locale-aware, case-ignoring
// comparison (platform/Text.h) and hold no two texts that compare equal that way.
class TvLangProps {
 public:
  struct Item {
    std::string Text;
    uint16_t value = 0;
    bool operator==(const Item&) const = default;
  };
  struct Group {
    std::string name;
    std::vector<Item> items;
    bool operator==(const Group&) const = default;
  };

  TvLangProps() = default;

  void Clear();
  int Count() const { return static_cast<int>(FGroups.size()); }
  const std::vector<Group>& Groups() const { return FGroups; }
  // The item list of the group at `index`. Throws "List index out of bounds (%d)".
  const std::vector<Item>& GetGroup(int index) const;

  // Files `item` with `value` under `group`, creating the group when it is new. An item the
  // group already holds (ignoring case) keeps its text as first stored and takes the value.
  void Add(std::string_view group, std::string_view item, uint16_t value);

  // The group called `group` (compared as Add compares), or null.
  const Group* FindGroup(std::string_view group) const;
  // Takes `item` out of `group` (compared as Add compares); a group left without items goes
  // too, as a file never holds one. False when there was no such item.
  bool Remove(std::string_view group, std::string_view item);

  int LastGroup() const { return FLastGroup; }
  int LastItem() const { return FLastItem; }

 private:
  std::vector<Group> FGroups;
  int FLastGroup = -1;  // group used by the latest Add: consecutive items skip the search
  int FLastItem = -1;
};

class TvLangFile;

// Companion object the file carries; nothing in the system reads it.
class TvLangStr {
 public:
  explicit TvLangStr(TvLangFile* owner) : FOwner(owner) {}
  TvLangFile* Owner() const { return FOwner; }
  int32_t Value() const { return FValue; }

 private:
  TvLangFile* FOwner;
  int32_t FValue = 0;
};

class TvLangFile {
 public:
  // Forms the file name from `name` with MakeLangFileName and reads the file under its
  // exclusive lock, creating an empty one (0 bytes) only when no file has that name; a
  // file another process holds is waited for (LockWait), never taken for a missing one.
  // Throws:
  //  - "Cannot create file %s: REASON" when the file can neither be opened nor created,
  //    or is still "in use by another process" after the wait;
  //  - "Not a language file or old version (1.1): %s" when it does not start with "LF";
  //  - "Language file %s is damaged: ..." when a section runs past the end of the file or a
  //    string's text lies outside the text pool.
  // Nothing is written in any of these cases.
  explicit TvLangFile(std::string_view name);
  virtual ~TvLangFile() = default;

  TvLangFile(const TvLangFile&) = delete;
  TvLangFile& operator=(const TvLangFile&) = delete;

  // Reads the whole file into the empty model (the constructor calls it once).
  virtual void Load();

  const std::string& FileName() const { return FFileName; }
  bool IsNew() const { return FIsNew; }
  int32_t OffsetSize() const { return FOffsetSize; }
  uint8_t FontFlag() const { return FFontFlag; }
  uint8_t HeaderFlag() const { return FHeaderFlag; }
  const TvLangHeader& Header() const { return FHeader; }
  const TvLangProps& Props() const { return FProps; }
  TvLangProps& MutableProps() { return FProps; }
  const std::vector<std::string>& TextList() const { return FTextList; }
  const std::vector<TvIdentRec>& Idents() const { return FIdents; }
  // Entries may be edited in place (texts replaced); the table's order is the caller's.
  // A new Text must view bytes that live as long as this object: see KeepText.
  std::vector<TvIdentRec>& MutableIdents() { return FIdents; }
  // Keeps `text` for as long as this object lives and gives a view of it for an entry.
  std::string_view KeepText(std::string text);
  const std::vector<std::unique_ptr<TvFontItem>>& Fonts() const { return FFonts; }
  const TvLangStr& LangStr() const { return *FLangStr; }

  // The font at `index`. Throws "List index out of bounds (%d)".
  TvFontItem& GetFont(int index) const;
  void ClearFonts() { FFonts.clear(); }

 protected:
  struct NoLoad {};
  // Sets up the empty model for `file_name` (taken as given) without reading anything.
  TvLangFile(NoLoad, std::string file_name);

  // Replaces the model with the content of `bytes` (a whole file). An empty view gives an
  // empty model with IsNew true. The bytes are copied: entries view the copy.
  void ReadFromBytes(std::string_view bytes);
  // The same, keeping `bytes` itself for the entries to view.
  void ReadFromBuffer(ByteBuffer bytes);
  // Reads the file at FileName() without creating or locking it exclusively: a missing
  // file is "Cannot open file %s: REASON".
  void LoadExisting();

  void ReadHeader(lng::ByteReader& in);
  void ReadFonts(lng::ByteReader& in);

  [[noreturn]] void Damaged(std::string_view what) const;

  TvLangProps FProps;
  std::vector<std::string> FTextList;
  std::vector<TvIdentRec> FIdents;
  std::string FFileName;
  bool FIsNew = true;
  int32_t FOffsetSize = 4;
  uint8_t FFontFlag = 0;
  std::vector<std::unique_ptr<TvFontItem>> FFonts;
  std::unique_ptr<TvLangStr> FLangStr;
  uint8_t FHeaderFlag = 0;
  TvLangHeader FHeader;

 private:
  ByteBuffer read_bytes_;               // the file as read: the pool the texts view
  std::deque<std::string> kept_texts_;  // texts added since; a deque never moves them
};

}  // namespace polyverb
