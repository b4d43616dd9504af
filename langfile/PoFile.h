// Translators' files. A language file's string table goes out as a PO template (one entry
// per string: msgctxt its number, msgid its text) and comes back as a translated PO file
// from which a language file for another language is made. This is a layer on top of the
// language file model: it reads and changes only the string table's texts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "langfile/LangFileEdit.h"

namespace polyverb {

// How the texts of one language file are to be read. Decided once per file, never per
// text: a file is UTF-8 when every one of its texts is valid UTF-8, else Windows-1252.
enum class TextEncoding { kUtf8, kWindows1252 };

// "UTF-8" or "Windows-1252": what the PO header's X-Polyverb-Encoding carries.
std::string_view EncodingName(TextEncoding encoding);
// The encoding a user named ("utf-8", "utf8", "windows-1252", "cp1252"; any letter case),
// or nullopt.
std::optional<TextEncoding> ParseEncodingName(std::string_view name);
TextEncoding DetectTextEncoding(const TvLangFile& file);

// One entry of a PO file. Strings are UTF-8 with the escapes resolved.
struct PoEntry {
  std::optional<std::string> msgctxt;
  std::string msgid;
  bool has_plural = false;          // msgid_plural was given (its text is not kept)
  std::vector<std::string> msgstr;  // msgstr, or msgstr[0], msgstr[1], ... in file order
  bool fuzzy = false;
  int line = 0;  // line of the entry's first keyword, 1-based

  bool IsHeader() const { return !msgctxt && msgid.empty(); }
};

struct PoCatalog {
  // Every entry in file order, the header entry included; obsolete (#~) entries are not.
  std::vector<PoEntry> entries;
  std::string charset;  // the header's charset as written; empty when there is none
};

// Reads a PO file: comments, the #, flags line (only "fuzzy" matters), #| previous strings
// and #~ obsolete entries (both skipped), msgctxt, msgid, msgid_plural, msgstr and
// msgstr[N], each with one or more adjacent strings. A file whose header names a charset
// other than UTF-8 (or ASCII, or the template's placeholder CHARSET) is converted from it.
// Throws Error "NAME:LINE: what is wrong" on a syntax error or a byte sequence that is not
// valid in the file's charset, "NAME: ..." on an unknown charset; `name` stands for the
// file in messages.
PoCatalog ReadPo(std::string_view bytes, std::string_view name);

// Appends `keyword` and `text` (UTF-8) as gettext writes them: quoted, with \a \b \f \n \r
// \t \v \\ \" escaped and other bytes as they are, split after each "\n" escape and
// wrapped at 79 columns where Unicode's line breaking rules allow, with an empty first
// string when the text takes more than one line.
void AppendPoString(std::string& out, std::string_view keyword, std::string_view text);

// The PO template for `file`'s string table, in table order, texts decoded by `encoding`
// (DetectTextEncoding when not given). A form text (a number a property group item names)
// gets a translator comment per item: "#. TfrmMain: lblTotal.Caption". The header carries charset
// UTF-8 and the X-Polyverb-Language-File (the file's name without its directory) and
// X-Polyverb-Encoding fields. Throws Error when the table holds a number twice, or a text
// holds U+0004 (no PO tool accepts it) or, read as UTF-8, is not valid UTF-8.
std::string ExportPoTemplate(const TvLangFile& file,
                             std::optional<TextEncoding> encoding = std::nullopt);

struct PoImportReport {
  std::size_t strings = 0;     // entries of the string table
  std::size_t translated = 0;  // texts taken from the PO file
  std::size_t missing = 0;     // no PO entry: native text kept
  std::size_t empty = 0;       // empty msgstr: native text kept
  std::size_t fuzzy = 0;       // fuzzy entry: native text kept
  // "PO:LINE: warning: ..." for entries that were ignored (no such number, no number) or
  // whose msgid is not the native text any more.
  std::vector<std::string> warnings;
};

// Replaces the texts of `file`'s string table by the translations in `po`, matched by
// msgctxt = number, and stores them in `encoding` (DetectTextEncoding of the file when not
// given). A missing, empty or fuzzy translation keeps the native text. `po_name` and
// `file`'s name stand for the two files in messages.
// Throws Error, leaving `file` unchanged, when the table holds a number twice, the PO file
// has two entries for one number or a plural entry for one, a translation cannot be
// stored (a character the file's encoding lacks, a NUL), or the result holds what
// ExportPoTemplate refuses (U+0004; a native text that is not valid UTF-8 in a UTF-8
// file).
PoImportReport ImportPo(TvLangFileEdit& file, const PoCatalog& po, std::string_view po_name,
                        std::optional<TextEncoding> encoding = std::nullopt);

}  // namespace polyverb
