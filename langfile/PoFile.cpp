#include "langfile/PoFile.h"

#include <unilbrk.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Icu.h"
#include "platform/PathStyle.h"
#include "platform/Text.h"

namespace polyverb {
namespace {

std::string DecodeText(std::string_view text, TextEncoding encoding) {
  return encoding == TextEncoding::kUtf8 ? std::string(text) : Windows1252ToUtf8(text);
}

std::string CodePointName(UChar32 c) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
  std::string name = hex;
  // Show the character itself unless it is invisible.
  if (c > 0x20 && !(c >= 0x7F && c < 0xA0)) {
    name += " (";
    AppendUtf8(name, static_cast<std::uint32_t>(c));
    name += ")";
  }
  return name;
}

// ---------------------------------------------------------------------------------------
// Writing strings as gettext does (its write-po wrap()), so that msgcat leaves an exported
// file unchanged: the same escapes, the same split after "\n", the same line breaking
// (libunistring's, which gettext itself uses) at the same page width.

constexpr int kPageWidth = 79;

char EscapeName(char c) {
  switch (c) {
    case '\a':
      return 'a';
    case '\b':
      return 'b';
    case '\f':
      return 'f';
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '\t':
      return 't';
    case '\v':
      return 'v';
    case '\\':
      return '\\';
    case '"':
      return '"';
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------------------
// Reading.

class PoParser {
 public:
  PoParser(std::string_view text, std::string_view name) : s_(text), name_(name) {}

  PoCatalog Parse() {
    std::size_t i = 0;
    if (s_.starts_with("\xEF\xBB\xBF")) i = 3;  // a byte order mark some editors add
    while (i < s_.size()) {
      char c = s_[i];
      if (c == '\n') {
        ++line_;
        ++i;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++i;
      } else if (c == '#') {
        std::size_t eol = s_.find('\n', i);
        if (eol == std::string_view::npos) eol = s_.size();
        Comment(s_.substr(i, eol - i));
        i = eol;
      } else if (c == '"') {
        i = String(i);
      } else if (IsAsciiLetter(c) || c == '_') {
        std::size_t start = i;
        while (i < s_.size() && (IsAsciiLetter(s_[i]) || IsAsciiDigit(s_[i]) || s_[i] == '_' ||
                                 s_[i] == '[' || s_[i] == ']'))
          ++i;
        Keyword(s_.substr(start, i - start));
      } else {
        Fail(line_, "unexpected character '" + std::string(1, c) + "'");
      }
    }
    EndOfFile();
    return std::move(catalog_);
  }

 private:
  enum class Phase { kNone, kContext, kId, kPlural, kStr };

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw Error(std::string(name_) + ":" + std::to_string(line) + ": " + what);
  }

  void Comment(std::string_view comment) {
    NeedString();
    if (comment.starts_with("#~")) {
      // An obsolete entry: it carries an old number, and any flags before it were its own.
      if (phase_ == Phase::kStr) Finish();
      pending_fuzzy_ = false;
      return;
    }
    if (phase_ == Phase::kStr) Finish();
    if (!comment.starts_with("#,")) return;
    comment.remove_prefix(2);
    while (!comment.empty()) {
      std::size_t comma = comment.find(',');
      std::string_view flag = comment.substr(0, comma);
      while (!flag.empty() && (flag.front() == ' ' || flag.front() == '\t')) flag.remove_prefix(1);
      while (!flag.empty() && (flag.back() == ' ' || flag.back() == '\t' || flag.back() == '\r'))
        flag.remove_suffix(1);
      if (flag == "fuzzy") pending_fuzzy_ = true;
      if (comma == std::string_view::npos) break;
      comment.remove_prefix(comma + 1);
    }
  }

  void Start() {
    entry_ = PoEntry{};
    entry_.fuzzy = pending_fuzzy_;
    entry_.line = line_;
    pending_fuzzy_ = false;
  }

  void Keyword(std::string_view word) {
    NeedString();
    if (word == "msgctxt") {
      if (phase_ == Phase::kStr) Finish();
      if (phase_ != Phase::kNone) Fail(line_, "msgctxt inside an entry");
      Start();
      entry_.msgctxt.emplace();
      Expect(Phase::kContext, &*entry_.msgctxt, word);
    } else if (word == "msgid") {
      if (phase_ == Phase::kStr) Finish();
      if (phase_ == Phase::kNone)
        Start();
      else if (phase_ != Phase::kContext)
        Fail(line_, "msgid inside an entry (missing msgstr?)");
      Expect(Phase::kId, &entry_.msgid, word);
    } else if (word == "msgid_plural") {
      if (phase_ != Phase::kId) Fail(line_, "msgid_plural without msgid");
      entry_.has_plural = true;
      Expect(Phase::kPlural, &plural_, word);
    } else if (word == "msgstr") {
      if (phase_ != Phase::kId)
        Fail(line_, phase_ == Phase::kPlural ? "msgstr after msgid_plural (use msgstr[0])"
                                             : "msgstr without msgid");
      entry_.msgstr.emplace_back();
      Expect(Phase::kStr, &entry_.msgstr.back(), word);
    } else if (word.starts_with("msgstr[") && word.ends_with("]")) {
      std::string_view digits = word.substr(7, word.size() - 8);
      unsigned index = 0;
      auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
      if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        Fail(line_, "bad plural index in '" + std::string(word) + "'");
      bool plural_forms = phase_ == Phase::kPlural || (phase_ == Phase::kStr && plural_str_);
      if (!plural_forms) Fail(line_, std::string(word) + " without msgid_plural");
      if (index != entry_.msgstr.size())
        Fail(line_, "expected msgstr[" + std::to_string(entry_.msgstr.size()) + "]");
      plural_str_ = true;
      entry_.msgstr.emplace_back();
      Expect(Phase::kStr, &entry_.msgstr.back(), word);
    } else {
      Fail(line_, "unknown keyword '" + std::string(word) + "'");
    }
  }

  void Expect(Phase phase, std::string* target, std::string_view keyword) {
    phase_ = phase;
    target_ = target;
    need_string_ = true;
    keyword_ = keyword;
    keyword_line_ = line_;
  }

  void NeedString() const {
    if (need_string_) Fail(keyword_line_, std::string(keyword_) + " without a string");
  }

  // Reads the string starting at the quote at `i`, appends it to the current keyword's
  // text, and gives the position after the closing quote.
  std::size_t String(std::size_t i) {
    if (!target_) Fail(line_, "string without a keyword");
    std::string& out = *target_;
    ++i;
    while (true) {
      if (i >= s_.size() || s_[i] == '\n') Fail(line_, "end of line within a string");
      char c = s_[i++];
      if (c == '"') break;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i >= s_.size()) Fail(line_, "end of line within a string");
      char e = s_[i++];
      switch (e) {
        case 'a':
          out += '\a';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'v':
          out += '\v';
          break;
        case '\\':
        case '"':
        case '\'':
        case '?':
          out += e;
          break;
        case 'x': {
          unsigned value = 0;
          std::size_t start = i;
          while (i < s_.size() && IsAsciiHexDigit(s_[i]) && value <= 0xFF)
            value = value * 16 + static_cast<unsigned>(HexDigitValue(s_[i++]));
          if (i == start || value > 0xFF) Fail(line_, "bad \\x escape in a string");
          out += static_cast<char>(value);
          break;
        }
        default:
          if (e >= '0' && e <= '7') {
            unsigned value = static_cast<unsigned>(e - '0');
            for (int k = 0; k < 2 && i < s_.size() && s_[i] >= '0' && s_[i] <= '7'; ++k)
              value = value * 8 + static_cast<unsigned>(s_[i++] - '0');
            if (value > 0xFF) Fail(line_, "bad octal escape in a string");
            out += static_cast<char>(value);
          } else {
            Fail(line_, "invalid escape sequence '\\" + std::string(1, e) + "' in a string");
          }
      }
    }
    need_string_ = false;
    return i;
  }

  void Finish() {
    catalog_.entries.push_back(std::move(entry_));
    entry_ = PoEntry{};
    plural_.clear();
    phase_ = Phase::kNone;
    target_ = nullptr;
    plural_str_ = false;
  }

  void EndOfFile() {
    NeedString();
    if (phase_ == Phase::kStr)
      Finish();
    else if (phase_ != Phase::kNone)
      Fail(entry_.line, "entry without msgstr");
  }

  std::string_view s_;
  std::string_view name_;
  PoCatalog catalog_;
  PoEntry entry_;
  std::string plural_;  // read and dropped: a language file string has one text
  Phase phase_ = Phase::kNone;
  std::string* target_ = nullptr;
  bool need_string_ = false;
  bool plural_str_ = false;
  bool pending_fuzzy_ = false;
  std::string_view keyword_;
  int keyword_line_ = 0;
  int line_ = 1;
};

std::string HeaderCharset(const PoCatalog& catalog) {
  for (const PoEntry& entry : catalog.entries) {
    if (!entry.IsHeader() || entry.msgstr.empty()) continue;
    std::string_view header = entry.msgstr[0];
    while (!header.empty()) {
      std::size_t eol = header.find('\n');
      std::string_view field = header.substr(0, eol);
      header = eol == std::string_view::npos ? std::string_view() : header.substr(eol + 1);
      if (!SameTextAscii(field.substr(0, 13), "Content-Type:")) continue;
      std::size_t at = field.find("charset=");
      if (at == std::string_view::npos) return "";
      std::string_view value = field.substr(at + 8);
      std::size_t end = value.find_first_of(" \t;");
      return std::string(value.substr(0, end));
    }
    return "";
  }
  return "";
}

// The charsets read as they are: UTF-8, its ASCII subset, and what a template that was
// never filled in says.
bool IsUtf8Charset(std::string_view charset) {
  for (std::string_view name :
       {"", "UTF-8", "UTF8", "ASCII", "US-ASCII", "ANSI_X3.4-1968", "CHARSET"})
    if (SameTextAscii(charset, name)) return true;
  return false;
}

void CheckUtf8(const PoCatalog& catalog, std::string_view name, std::string_view charset) {
  auto fail = [&](const PoEntry& entry) {
    throw Error(std::string(name) + ":" + std::to_string(entry.line) + ": the entry is not valid " +
                (charset.empty() ? "UTF-8" : std::string(charset)));
  };
  for (const PoEntry& entry : catalog.entries) {
    if ((entry.msgctxt && !IsValidUtf8(*entry.msgctxt)) || !IsValidUtf8(entry.msgid)) fail(entry);
    for (const std::string& s : entry.msgstr)
      if (!IsValidUtf8(s)) fail(entry);
  }
}

// ---------------------------------------------------------------------------------------
// Export and import.

// Numbers key the PO entries, so a table that holds one twice cannot be exported or
// imported: which of the two would a translation belong to?
void CheckUniqueNumbers(const TvLangFile& file) {
  std::vector<bool> seen(65536, false);
  for (const TvIdentRec& rec : file.Idents()) {
    if (seen[rec.Number])
      throw Error(file.FileName() + ": string " + std::to_string(rec.Number) +
                  " occurs twice in the string table; PO entries are keyed by number");
    seen[rec.Number] = true;
  }
}

// gettext keeps a message's context and id apart with this character, so no PO tool
// accepts it inside a string.
constexpr char kContextSeparator = '\x04';

// Export refuses what this refuses; import checks its result with it too, so that every
// file it writes can be exported again.
void CheckExportable(const TvLangFile& file, const TvIdentRec& rec, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8 && !IsValidUtf8(rec.Text))
    throw Error(file.FileName() + ": the text of string " + std::to_string(rec.Number) +
                " is not valid UTF-8");
  if (rec.Text.find(kContextSeparator) != std::string::npos)
    throw Error(file.FileName() + ": the text of string " + std::to_string(rec.Number) +
                " holds the control character U+0004, which a PO file cannot carry");
}

std::string NativeText(const TvLangFile& file, const TvIdentRec& rec, TextEncoding encoding) {
  CheckExportable(file, rec, encoding);
  return DecodeText(rec.Text, encoding);
}

// "#. GROUP: ITEM" for each property group item that names `number`: where a form text
// stands on its form, for the translator. Names are shown as UTF-8; a control character
// would end the comment line, so it becomes a space.
std::unordered_map<int, std::string> PlaceComments(const TvLangFile& file) {
  std::unordered_map<int, std::string> comments;
  for (const TvLangProps::Group& group : file.Props().Groups()) {
    for (const TvLangProps::Item& item : group.items) {
      std::string line = DecodeToUtf8(group.name) + ": " + DecodeToUtf8(item.Text);
      for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
      comments[item.value] += "#. " + line + "\n";
    }
  }
  return comments;
}

}  // namespace

std::string_view EncodingName(TextEncoding encoding) {
  return encoding == TextEncoding::kUtf8 ? "UTF-8" : "Windows-1252";
}

std::optional<TextEncoding> ParseEncodingName(std::string_view name) {
  if (SameTextAscii(name, "utf-8") || SameTextAscii(name, "utf8")) return TextEncoding::kUtf8;
  if (SameTextAscii(name, "windows-1252") || SameTextAscii(name, "cp1252"))
    return TextEncoding::kWindows1252;
  return std::nullopt;
}

TextEncoding DetectTextEncoding(const TvLangFile& file) {
  for (const TvIdentRec& rec : file.Idents())
    if (!IsValidUtf8(rec.Text)) return TextEncoding::kWindows1252;
  return TextEncoding::kUtf8;
}

void AppendPoString(std::string& out, std::string_view keyword, std::string_view text) {
  // gettext's geometry: continuation lines start at column 0 with a quote, and the closing
  // quote needs a column too.
  const int width = kPageWidth - 2;
  bool first_line = true;
  std::size_t pos = 0;
  std::string portion, overrides, breaks;
  do {
    std::size_t end = text.find('\n', pos);
    end = end == std::string_view::npos ? text.size() : end + 1;
    portion.clear();
    overrides.clear();
    for (std::size_t i = pos; i < end; ++i) {
      char c = text[i];
      if (char name = EscapeName(c)) {
        // An escape is never split.
        portion += '\\';
        portion += name;
        overrides += static_cast<char>(UC_BREAK_UNDEFINED);
        overrides += static_cast<char>(UC_BREAK_PROHIBITED);
        continue;
      }
      std::size_t next = i;
      NextUtf8(text.substr(0, end), next);
      const std::size_t n = next - i;
      portion.append(text.substr(i, n));
      overrides += static_cast<char>(UC_BREAK_UNDEFINED);
      overrides.append(n - 1, static_cast<char>(UC_BREAK_PROHIBITED));
      i += n - 1;
    }
    if (end > pos && text[end - 1] == '\n')
      overrides[portion.size() - 2] = static_cast<char>(UC_BREAK_PROHIBITED);
    const bool more = end < text.size();
    breaks.assign(portion.size(), 0);
    int start_column = first_line ? static_cast<int>(keyword.size()) + 1 : 0;
    // Printable ASCII takes one column a byte and breaks only where a line overflows, so a
    // portion that fits needs no line breaking (most texts are short).
    bool fits =
        start_column + static_cast<int>(portion.size()) <= width &&
        std::all_of(portion.begin(), portion.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (!portion.empty() && !fits)
      ulc_width_linebreaks(portion.data(), portion.size(), width, start_column, 0, overrides.data(),
                           "UTF-8", breaks.data());
    auto can_break = [&] {
      return std::memchr(breaks.data(), UC_BREAK_POSSIBLE, breaks.size()) != nullptr;
    };
    if (first_line && !portion.empty() && (more || start_column > width || can_break())) {
      // A text of more than one line starts with an empty string, lines then line up.
      out.append(keyword).append(" \"\"\n");
      first_line = false;
      breaks.assign(portion.size(), 0);
      ulc_width_linebreaks(portion.data(), portion.size(), width, 0, 0, overrides.data(), "UTF-8",
                           breaks.data());
    }
    if (first_line) out.append(keyword).append(" ");
    out += '"';
    for (std::size_t i = 0; i < portion.size(); ++i) {
      if (breaks[i] == UC_BREAK_POSSIBLE) out += "\"\n\"";
      out += portion[i];
    }
    out += "\"\n";
    pos = end;
    first_line = false;
  } while (pos < text.size());
}

PoCatalog ReadPo(std::string_view bytes, std::string_view name) {
  PoCatalog catalog = PoParser(bytes, name).Parse();
  std::string charset = HeaderCharset(catalog);
  if (!IsUtf8Charset(charset)) {
    const IcuConverter converter = OpenIcuConverter(charset.c_str());
    if (!converter)
      throw Error(std::string(name) + ": unknown charset '" + charset + "' in the header");
    std::u16string text;
    if (!ConvertToUtf16(converter.get(), bytes, text))
      throw Error(std::string(name) + ": the file is not valid " + charset);
    const std::string utf8 = Utf16ToUtf8(text);
    catalog = PoParser(utf8, name).Parse();
  }
  CheckUtf8(catalog, name, charset);
  catalog.charset = charset;
  return catalog;
}

std::string ExportPoTemplate(const TvLangFile& file, std::optional<TextEncoding> encoding) {
  CheckUniqueNumbers(file);
  const TextEncoding enc = encoding.value_or(DetectTextEncoding(file));
  std::string name = DecodeToUtf8(FileNamePart(kNativePathStyle, file.FileName()));
  std::string out;
  std::size_t pool = 0;
  for (const TvIdentRec& rec : file.Idents()) pool += rec.Text.size();
  out.reserve(1024 + pool * 5 / 4 + file.Idents().size() * 40);

  // The usual template header: translators' tools fill in the placeholders.
  out += "#, fuzzy\n";
  AppendPoString(out, "msgid", "");
  AppendPoString(out, "msgstr",
                 "Project-Id-Version: PACKAGE VERSION\n"
                 "Report-Msgid-Bugs-To: \n"
                 "PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\n"
                 "Last-Translator: FULL NAME <EMAIL@ADDRESS>\n"
                 "Language-Team: LANGUAGE <LL@li.org>\n"
                 "Language: \n"
                 "MIME-Version: 1.0\n"
                 "Content-Type: text/plain; charset=UTF-8\n"
                 "Content-Transfer-Encoding: 8bit\n"
                 "X-Polyverb-Language-File: " +
                     name +
                     "\n"
                     "X-Polyverb-Encoding: " +
                     std::string(EncodingName(enc)) + "\n");
  const std::unordered_map<int, std::string> places = PlaceComments(file);
  for (const TvIdentRec& rec : file.Idents()) {
    out += '\n';
    if (auto it = places.find(rec.Number); it != places.end()) out += it->second;
    AppendPoString(out, "msgctxt", std::to_string(rec.Number));
    AppendPoString(out, "msgid", NativeText(file, rec, enc));
    out += "msgstr \"\"\n";
  }
  return out;
}

PoImportReport ImportPo(TvLangFileEdit& file, const PoCatalog& po, std::string_view po_name,
                        std::optional<TextEncoding> encoding) {
  CheckUniqueNumbers(file);
  const TextEncoding enc = encoding.value_or(DetectTextEncoding(file));
  const std::vector<TvIdentRec>& idents = file.Idents();
  const std::string where(po_name);
  auto at = [&](const PoEntry& entry) { return where + ":" + std::to_string(entry.line) + ": "; };

  std::vector<int> position(65536, -1);
  for (std::size_t i = 0; i < idents.size(); ++i) position[idents[i].Number] = static_cast<int>(i);

  PoImportReport report;
  report.strings = idents.size();
  // New texts are gathered first and put in only when every entry has passed, so a
  // failure leaves the model as it was.
  std::vector<std::optional<std::string>> texts(idents.size());
  std::vector<int> entry_line(idents.size(), 0);
  std::string encoded;
  for (const PoEntry& entry : po.entries) {
    if (entry.IsHeader()) continue;
    if (!entry.msgctxt) {
      report.warnings.push_back(at(entry) + "warning: an entry without a string number " +
                                "(msgctxt) is ignored");
      continue;
    }
    unsigned number = 0;
    const std::string& ctxt = *entry.msgctxt;
    auto [end, ec] = std::from_chars(ctxt.data(), ctxt.data() + ctxt.size(), number);
    if (ctxt.empty() || ctxt.size() > 5 || ctxt[0] == '+' || ec != std::errc() ||
        end != ctxt.data() + ctxt.size() || number > 65535) {
      report.warnings.push_back(at(entry) + "warning: msgctxt \"" + ctxt +
                                "\" is not a string number; the entry is ignored");
      continue;
    }
    int index = position[number];
    if (index < 0) {
      report.warnings.push_back(at(entry) + "warning: " + file.FileName() + " has no string " +
                                ctxt + "; the entry is ignored");
      continue;
    }
    if (entry_line[index] != 0)
      throw Error(at(entry) + "a second entry for string " + ctxt + " (the first is at line " +
                  std::to_string(entry_line[index]) + ")");
    entry_line[index] = entry.line;
    if (entry.has_plural)
      throw Error(at(entry) + "string " + ctxt +
                  " has plural forms; a language file string has one text");
    if (entry.msgid != DecodeText(idents[index].Text, enc))
      report.warnings.push_back(at(entry) + "warning: the msgid of string " + ctxt +
                                " is not its text in " + file.FileName() +
                                " (run msgmerge); the translation is used");
    const std::string& translation = entry.msgstr.empty() ? std::string() : entry.msgstr[0];
    if (entry.fuzzy) {
      ++report.fuzzy;
      continue;
    }
    if (translation.empty()) {
      ++report.empty;
      continue;
    }
    if (translation.find('\0') != std::string::npos)
      throw Error(at(entry) + "the translation of string " + ctxt +
                  " contains a NUL character, which a language file cannot store");
    if (translation.find(kContextSeparator) != std::string::npos)
      throw Error(at(entry) + "the translation of string " + ctxt +
                  " holds the control character U+0004, which a PO file cannot carry");
    if (enc == TextEncoding::kWindows1252) {
      if (auto bad = Utf8ToWindows1252(translation, encoded))
        throw Error(at(entry) + "the translation of string " + ctxt + " holds " +
                    CodePointName(*bad) + ", which Windows-1252 cannot store (" + file.FileName() +
                    " is a Windows-1252 file)");
      texts[index] = encoded;
    } else {
      texts[index] = translation;
    }
    ++report.translated;
  }
  for (std::size_t i = 0; i < idents.size(); ++i) {
    if (entry_line[i] == 0) ++report.missing;
    if (!texts[i]) CheckExportable(file, idents[i], enc);  // a native text that stays
  }

  std::vector<TvIdentRec>& table = file.MutableIdents();
  for (std::size_t i = 0; i < table.size(); ++i)
    if (texts[i]) table[i].Text = file.KeepText(std::move(*texts[i]));
  return report;
}

}  // namespace polyverb
