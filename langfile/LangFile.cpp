#include "langfile/LangFile.h"

#include <algorithm>
#include <cstring>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace polyverb {

std::string MakeLangFileName(std::string_view name, PathStyle style) {
  if (HasDirectoryPart(style, name)) return MakeLangFileName(name, style, {});
  return MakeLangFileName(name, style, CurrentDirectory());
}

std::string MakeLangFileName(std::string_view name, PathStyle style, std::string_view cwd) {
  std::string result;
  std::size_t search_from = 0;
  if (style == PathStyle::kWindows) {
    result = LowerCase(name);
  } else {
    // Names are case-sensitive here: lower-casing a directory would name another directory.
    std::size_t start = FileNameStart(style, name);
    result = std::string(name.substr(0, start)) + LowerCase(name.substr(start));
    search_from = start;
  }
  if (result.find(".lng", search_from) == std::string::npos) result += ".lng";
  if (HasDirectoryPart(style, result)) return result;
  std::string prefix(cwd);
  // A drive root already ends in "\" and still gets one; "/" as the root needs none.
  if (style == PathStyle::kWindows || prefix.empty() || prefix.back() != '/')
    prefix += PathSeparator(style);
  return prefix + result;
}

// ---- TvLangProps ----------------------------------------------------------------------

void TvLangProps::Clear() {
  FGroups.clear();
  FLastGroup = -1;
  FLastItem = -1;
}

const std::vector<TvLangProps::Item>& TvLangProps::GetGroup(int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return FGroups[static_cast<std::size_t>(index)].items;
}

void TvLangProps::Add(std::string_view group, std::string_view item, uint16_t value) {
  if (FLastGroup == -1 || FGroups[static_cast<std::size_t>(FLastGroup)].name != group) {
    auto it = std::lower_bound(
        FGroups.begin(), FGroups.end(), group,
        [](const Group& g, std::string_view name) { return CompareText(g.name, name) < 0; });
    if (it == FGroups.end() || CompareText(it->name, group) != 0)
      it = FGroups.insert(it, Group{std::string(group), {}});
    FLastGroup = static_cast<int>(it - FGroups.begin());
  }
  auto& items = FGroups[static_cast<std::size_t>(FLastGroup)].items;
  auto at = std::lower_bound(
      items.begin(), items.end(), item,
      [](const Item& i, std::string_view text) { return CompareText(i.Text, text) < 0; });
  if (at == items.end() || CompareText(at->Text, item) != 0)
    at = items.insert(at, Item{std::string(item), 0});
  at->value = value;
  FLastItem = static_cast<int>(at - items.begin());
}

const TvLangProps::Group* TvLangProps::FindGroup(std::string_view group) const {
  auto it = std::lower_bound(
      FGroups.begin(), FGroups.end(), group,
      [](const Group& g, std::string_view name) { return CompareText(g.name, name) < 0; });
  return it == FGroups.end() || CompareText(it->name, group) != 0 ? nullptr : &*it;
}

bool TvLangProps::Remove(std::string_view group, std::string_view item) {
  const Group* found = FindGroup(group);
  if (found == nullptr) return false;
  auto& g = FGroups[static_cast<std::size_t>(found - FGroups.data())];
  auto at = std::lower_bound(
      g.items.begin(), g.items.end(), item,
      [](const Item& i, std::string_view text) { return CompareText(i.Text, text) < 0; });
  if (at == g.items.end() || CompareText(at->Text, item) != 0) return false;
  g.items.erase(at);
  if (g.items.empty()) FGroups.erase(FGroups.begin() + (found - FGroups.data()));
  // Positions after the removed entry have moved.
  FLastGroup = -1;
  FLastItem = -1;
  return true;
}

// ---- TvLangFile -----------------------------------------------------------------------

TvLangFile::TvLangFile(NoLoad, std::string file_name)
    : FFileName(std::move(file_name)), FLangStr(std::make_unique<TvLangStr>(this)) {}

TvLangFile::TvLangFile(std::string_view name) : TvLangFile(NoLoad{}, MakeLangFileName(name)) {
  Load();
}

void TvLangFile::Load() {
  // Only a file that does not exist is created; a busy one is waited for or refused, so
  // a file in use elsewhere is never emptied.
  const LockedFile file = LockedFile::OpenOrCreate(FFileName);
  FIsNew = false;
  ReadFromBuffer(file.ReadBytes());
}

void TvLangFile::LoadExisting() {
  LockedFile file = LockedFile::OpenForReading(FFileName);
  FIsNew = false;
  ReadFromBuffer(file.ReadBytes());
}

void TvLangFile::Damaged(std::string_view what) const {
  throw Error("Language file " + FFileName + " is damaged: " + std::string(what));
}

std::string_view TvLangFile::KeepText(std::string text) {
  return kept_texts_.emplace_back(std::move(text));
}

void TvLangFile::ReadFromBytes(std::string_view bytes) {
  ByteBuffer copy(bytes.size());
  if (!bytes.empty()) std::memcpy(copy.Data(), bytes.data(), bytes.size());
  ReadFromBuffer(std::move(copy));
}

void TvLangFile::ReadFromBuffer(ByteBuffer buffer) {
  read_bytes_ = std::move(buffer);
  const std::string_view bytes = read_bytes_.View();
  if (bytes.empty()) {
    FIsNew = true;
    return;
  }
  lng::ByteReader in(bytes);
  ReadHeader(in);
  in.Skip(lng::kReservedAfterHeader);
  if (!in.Ok()) Damaged("the reserved block after the header runs past the end of the file");
  ReadFonts(in);
  in.Skip(lng::kReservedAfterFonts);
  if (!in.Ok()) Damaged("the reserved block after the font list runs past the end of the file");

  uint16_t texts = in.U16();
  FTextList.clear();
  FTextList.reserve(std::min<std::size_t>(texts, in.Remaining()));
  for (uint16_t i = 0; i < texts && in.Ok(); ++i) FTextList.push_back(in.ShortText());
  if (!in.Ok()) Damaged("the text list runs past the end of the file");

  FProps.Clear();
  uint16_t groups = in.U16();
  for (uint16_t g = 0; g < groups && in.Ok(); ++g) {
    std::string name = in.ShortText();
    uint16_t items = in.U16();
    for (uint16_t i = 0; i < items && in.Ok(); ++i) {
      std::string text = in.ShortText();
      uint16_t value = in.U16();
      if (in.Ok()) FProps.Add(name, text, value);
    }
  }
  if (!in.Ok()) Damaged("the property groups run past the end of the file");

  uint16_t count = in.U16();
  const std::size_t record = FOffsetSize == 2 ? 6 : 8;
  if (!in.Ok() || in.Remaining() / record < count)
    Damaged("the string table runs past the end of the file");
  FIdents.clear();
  FIdents.resize(count);
  for (TvIdentRec& rec : FIdents) {
    rec.Number = in.U16();
    rec.Offset = FOffsetSize == 2 ? in.U16() : in.U32();
    rec.Tag = in.U16();
  }

  // The pool is everything after the table; each text runs to its zero byte.
  const std::string_view pool = in.Rest();
  for (TvIdentRec& rec : FIdents) {
    if (rec.Offset >= pool.size())
      Damaged("the text of string " + std::to_string(rec.Number) + " starts at offset " +
              std::to_string(rec.Offset) + ", outside the text pool of " +
              std::to_string(pool.size()) + " bytes");
    const char* start = pool.data() + rec.Offset;
    const void* zero = std::memchr(start, 0, pool.size() - rec.Offset);
    if (zero == nullptr)
      Damaged("the text of string " + std::to_string(rec.Number) +
              " has no zero byte before the end of the text pool");
    rec.Text =
        std::string_view(start, static_cast<std::size_t>(static_cast<const char*>(zero) - start));
  }
}

void TvLangFile::ReadHeader(lng::ByteReader& in) {
  std::string_view signature = in.Bytes(2);
  if (signature != lng::kSignature)
    throw Error("Not a language file or old version (1.1): " + FFileName);
  TvLangHeader& h = FHeader;
  h.Signature = std::string(signature);
  h.Version = std::string(in.Bytes(4));
  FOffsetSize = h.Version == lng::kShortOffsetVersion ? 2 : 4;
  h.CurrencyString = in.ShortText(lng::kCurrencyStringCap);
  h.CurrencyFormat = in.U8();
  h.NegCurrFormat = in.U8();
  h.ThousandSeparator = static_cast<char>(in.U8());
  h.DecimalSeparator = static_cast<char>(in.U8());
  h.CurrencyDecimals = in.U8();
  h.DateSeparator = static_cast<char>(in.U8());
  h.ShortDateFormat = in.ShortText(lng::kShortDateFormatCap);
  h.LongDateFormat = in.ShortText(lng::kLongDateFormatCap);
  h.TimeSeparator = static_cast<char>(in.U8());
  h.TimeAMString = in.ShortText(lng::kTimeAmPmCap);
  h.TimePMString = in.ShortText(lng::kTimeAmPmCap);
  h.ShortTimeFormat = in.ShortText(lng::kTimeFormatCap);
  h.LongTimeFormat = in.ShortText(lng::kTimeFormatCap);
  for (auto& s : h.ShortMonthNames) s = in.ShortText(lng::kShortNameCap);
  for (auto& s : h.LongMonthNames) s = in.ShortText(lng::kLongNameCap);
  for (auto& s : h.ShortDayNames) s = in.ShortText(lng::kShortNameCap);
  for (auto& s : h.LongDayNames) s = in.ShortText(lng::kLongNameCap);
  for (auto& s : h.EraNames) s = in.ShortText(lng::kEraNameCap);
  for (auto& v : h.EraYearOffsets) v = in.I32();
  h.HeaderWord = in.U16();
  h.HeaderByte = in.U8();
  FHeaderFlag = in.U8();
  if (!in.Ok()) Damaged("the header runs past the end of the file");
}

void TvLangFile::ReadFonts(lng::ByteReader& in) {
  ClearFonts();
  FFontFlag = in.U8();
  int32_t count = in.I32();
  // Each font takes at least 4 bytes, which bounds a count that cannot be right.
  if (!in.Ok() || (count > 0 && static_cast<std::size_t>(count) > in.Remaining() / 4))
    Damaged("the font list runs past the end of the file");
  for (int32_t i = 0; i < count; ++i) {
    auto font = std::make_unique<TvFontItem>();
    font->FontName = in.ShortText();
    font->FontWord = in.U16();
    font->FontByte = in.U8();
    if (!in.Ok()) Damaged("the font list runs past the end of the file");
    FFonts.push_back(std::move(font));
  }
}

TvFontItem& TvLangFile::GetFont(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= FFonts.size()) throw ListIndexError(index);
  return *FFonts[static_cast<std::size_t>(index)];
}

}  // namespace polyverb
