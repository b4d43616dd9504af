#include "langfile/LangFileEdit.h"

#include <cstring>

#include "platform/Error.h"

namespace polyverb {

std::unique_ptr<TvLangFileEdit> TvLangFileEdit::OpenPath(const std::string& path) {
  std::unique_ptr<TvLangFileEdit> file(new TvLangFileEdit(NoLoad{}, path));
  file->Load();
  return file;
}

std::unique_ptr<TvLangFileEdit> TvLangFileEdit::ReadExisting(const std::string& path) {
  std::unique_ptr<TvLangFileEdit> file(new TvLangFileEdit(NoLoad{}, path));
  file->LoadExisting();
  return file;
}

std::unique_ptr<TvLangFileEdit> TvLangFileEdit::FromBytes(std::string_view bytes,
                                                          std::string name) {
  std::unique_ptr<TvLangFileEdit> file(new TvLangFileEdit(NoLoad{}, std::move(name)));
  file->FIsNew = false;
  file->ReadFromBytes(bytes);
  return file;
}

std::unique_ptr<TvLangFileEdit> TvLangFileEdit::ReadLocked(LockedFile& lock) {
  std::unique_ptr<TvLangFileEdit> file(new TvLangFileEdit(NoLoad{}, lock.Path()));
  file->FIsNew = false;
  file->ReadFromBuffer(lock.ReadBytes());
  file->lock_ = &lock;
  return file;
}

int TvLangFileEdit::LastNumber() const {
  return FIdents.empty() ? 0 : FIdents.back().Number;
}

int TvLangFileEdit::LargestNumber() const {
  int largest = 0;
  for (const TvIdentRec& rec : FIdents) largest = std::max<int>(largest, rec.Number);
  return largest;
}

int TvLangFileEdit::AddIdent(uint16_t number, std::string_view text, uint16_t tag) {
  std::size_t position = FIdents.size();
  if (LastNumber() > number) {
    position = 0;
    while (FIdents[position].Number < number) ++position;
  }
  FIdents.insert(FIdents.begin() + static_cast<std::ptrdiff_t>(position),
                 TvIdentRec{number, 0, KeepText(std::string(text)), tag});
  return static_cast<int>(position);
}

void TvLangFileEdit::CannotStore(std::string_view what) const {
  throw Error("Cannot save language file " + FFileName + ": " + std::string(what));
}

namespace {
void CheckCount(std::size_t count, std::string_view list, const auto& fail) {
  if (count > lng::kMaxCount)
    fail(std::string(list) + " holds " + std::to_string(count) +
         " entries; a language file can hold at most 65535");
}
}  // namespace

void TvLangFileEdit::WriteHeader(lng::ByteWriter& out, const TvLangHeader& h) const {
  auto text = [&](const std::string& value, std::size_t capacity, std::string_view field) {
    if (value.size() > capacity)
      CannotStore("the header field " + std::string(field) + " is longer than " +
                  std::to_string(capacity) + " bytes");
    out.ShortText(value);
  };
  auto texts = [&](const auto& values, std::size_t capacity, std::string_view field) {
    for (const auto& v : values) text(v, capacity, field);
  };
  out.Bytes(lng::kSignature);
  out.Bytes(lng::kWrittenVersion);
  text(h.CurrencyString, lng::kCurrencyStringCap, "CurrencyString");
  out.U8(h.CurrencyFormat);
  out.U8(h.NegCurrFormat);
  out.U8(static_cast<uint8_t>(h.ThousandSeparator));
  out.U8(static_cast<uint8_t>(h.DecimalSeparator));
  out.U8(h.CurrencyDecimals);
  out.U8(static_cast<uint8_t>(h.DateSeparator));
  text(h.ShortDateFormat, lng::kShortDateFormatCap, "ShortDateFormat");
  text(h.LongDateFormat, lng::kLongDateFormatCap, "LongDateFormat");
  out.U8(static_cast<uint8_t>(h.TimeSeparator));
  text(h.TimeAMString, lng::kTimeAmPmCap, "TimeAMString");
  text(h.TimePMString, lng::kTimeAmPmCap, "TimePMString");
  text(h.ShortTimeFormat, lng::kTimeFormatCap, "ShortTimeFormat");
  text(h.LongTimeFormat, lng::kTimeFormatCap, "LongTimeFormat");
  texts(h.ShortMonthNames, lng::kShortNameCap, "ShortMonthNames");
  texts(h.LongMonthNames, lng::kLongNameCap, "LongMonthNames");
  texts(h.ShortDayNames, lng::kShortNameCap, "ShortDayNames");
  texts(h.LongDayNames, lng::kLongNameCap, "LongDayNames");
  texts(h.EraNames, lng::kEraNameCap, "EraNames");
  for (int32_t v : h.EraYearOffsets) out.I32(v);
  out.U16(h.HeaderWord);
  out.U8(h.HeaderByte);
  out.U8(FHeaderFlag);
}

void TvLangFileEdit::WriteFonts(lng::ByteWriter& out) const {
  out.U8(FFontFlag);
  if (FFonts.size() > static_cast<std::size_t>(INT32_MAX)) CannotStore("too many fonts");
  out.I32(static_cast<int32_t>(FFonts.size()));
  for (const auto& font : FFonts) {
    if (font->FontName.size() > lng::kMaxShortText)
      CannotStore("a font name is longer than 255 bytes");
    out.ShortText(font->FontName);
    out.U16(font->FontWord);
    out.U8(font->FontByte);
  }
}

namespace {
// The string table and the pool are most of a large file: they are put straight into the
// output block, whose size is known before the first byte.
char* PutU16(char* at, uint16_t v) {
  at[0] = static_cast<char>(v & 0xFF);
  at[1] = static_cast<char>(v >> 8);
  return at + 2;
}
char* PutU32(char* at, uint32_t v) {
  return PutU16(PutU16(at, static_cast<uint16_t>(v)), static_cast<uint16_t>(v >> 16));
}
}  // namespace

ByteBuffer TvLangFileEdit::SerializeToBuffer() const {
  auto fail = [this](const std::string& what) { CannotStore(what); };
  // Every limit is checked before a byte is produced: a file never holds a count that
  // differs from the entries after it.
  CheckCount(FTextList.size(), "the text list", fail);
  CheckCount(FProps.Groups().size(), "the property group list", fail);
  for (const auto& g : FProps.Groups())
    CheckCount(g.items.size(), "the property group " + g.name, fail);
  CheckCount(FIdents.size(), "the string table", fail);

  std::size_t pool_size = 0;
  for (const TvIdentRec& rec : FIdents) {
    if (rec.Text.find('\0') != std::string::npos)
      CannotStore("the text of string " + std::to_string(rec.Number) + " contains a zero byte");
    pool_size += rec.Text.size() + 1;
  }
  if (pool_size > UINT32_MAX) CannotStore("the text pool is larger than 4 GiB");

  // Sections A to F: small, and of a length found by writing them.
  std::string head;
  lng::ByteWriter out(head);
  WriteHeader(out, FHeader);
  out.Zeros(lng::kReservedAfterHeader);
  WriteFonts(out);
  out.Zeros(lng::kReservedAfterFonts);

  out.U16(static_cast<uint16_t>(FTextList.size()));
  for (const auto& text : FTextList) {
    if (text.size() > lng::kMaxShortText) CannotStore("a text of the text list is too long");
    out.ShortText(text);
  }

  out.U16(static_cast<uint16_t>(FProps.Groups().size()));
  for (const auto& group : FProps.Groups()) {
    if (group.name.size() > lng::kMaxShortText) CannotStore("a group name is too long");
    out.ShortText(group.name);
    out.U16(static_cast<uint16_t>(group.items.size()));
    for (const auto& item : group.items) {
      if (item.Text.size() > lng::kMaxShortText) CannotStore("a group item is too long");
      out.ShortText(item.Text);
      out.U16(item.value);
    }
  }

  // Sections G and H into the one block: the table and the pool in one pass, each offset
  // known when its record is written.
  ByteBuffer bytes(head.size() + 2 + FIdents.size() * 8 + pool_size);
  std::memcpy(bytes.Data(), head.data(), head.size());
  char* table = PutU16(bytes.Data() + head.size(), static_cast<uint16_t>(FIdents.size()));
  char* pool = table + FIdents.size() * 8;
  uint32_t offset = 0;
  for (const TvIdentRec& rec : FIdents) {
    table = PutU16(PutU32(PutU16(table, rec.Number), offset), rec.Tag);
    std::memcpy(pool, rec.Text.data(), rec.Text.size());
    pool += rec.Text.size();
    *pool++ = '\0';
    offset += static_cast<uint32_t>(rec.Text.size() + 1);
  }
  return bytes;
}

std::string TvLangFileEdit::Serialize() const {
  return std::string(SerializeToBuffer().View());
}

void TvLangFileEdit::Save() {
  SaveAs(FFileName);
}

void TvLangFileEdit::SaveAs(const std::string& path) {
  const ByteBuffer bytes = SerializeToBuffer();
  // Under a held lock the save must not lock the file again: a second flock from this
  // process would wait for its own first one.
  if (lock_ != nullptr && path == FFileName)
    ReplaceLockedFile(*lock_, bytes.View());
  else
    ReplaceFile(path, bytes.View());
  // Only a completed write touches the model.
  FHeader.Signature = std::string(lng::kSignature);
  FHeader.Version = std::string(lng::kWrittenVersion);
  uint32_t offset = 0;
  for (TvIdentRec& rec : FIdents) {
    rec.Offset = offset;
    offset += static_cast<uint32_t>(rec.Text.size() + 1);
  }
  if (path == FFileName) FIsNew = false;
}

}  // namespace polyverb
