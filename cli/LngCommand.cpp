// polyverb lng show | add | path
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "langfile/LangFileEdit.h"
#include "langfile/LangFileWriter.h"

namespace polyverb::cli {
namespace {

std::string Quoted(std::string_view text) {
  return "\"" + EscapeText(text) + "\"";
}

std::string Char(char c) {
  return Quoted(std::string_view(&c, 1)) + " (" + std::to_string(static_cast<unsigned char>(c)) +
         ")";
}

// Messages of the reader that do not name the file get the file in front.
[[noreturn]] void Rethrow(const std::string& path, const Error& e) {
  std::string message = e.what();
  if (message.find(path) == std::string::npos) throw Error(path + ": " + message);
  throw;
}

void ShowStrings(const TvLangFile& file, std::ostream& out) {
  for (const TvIdentRec& rec : file.Idents())
    out << rec.Number << '\t' << rec.Tag << '\t' << EscapeText(rec.Text) << '\n';
}

void ShowAll(const TvLangFile& file, std::ostream& out) {
  const TvLangHeader& h = file.Header();
  out << "file: " << file.FileName() << "\n";
  if (file.IsNew()) {
    out << "empty file (0 bytes): no content yet\n";
    return;
  }
  out << "signature: " << Quoted(h.Signature) << "\n"
      << "version: " << Quoted(h.Version) << " (" << file.OffsetSize() << "-byte string offsets)\n"
      << "header:\n"
      << "  CurrencyString: " << Quoted(h.CurrencyString) << "\n"
      << "  CurrencyFormat: " << int(h.CurrencyFormat) << "\n"
      << "  NegCurrFormat: " << int(h.NegCurrFormat) << "\n"
      << "  ThousandSeparator: " << Char(h.ThousandSeparator) << "\n"
      << "  DecimalSeparator: " << Char(h.DecimalSeparator) << "\n"
      << "  CurrencyDecimals: " << int(h.CurrencyDecimals) << "\n"
      << "  DateSeparator: " << Char(h.DateSeparator) << "\n"
      << "  ShortDateFormat: " << Quoted(h.ShortDateFormat) << "\n"
      << "  LongDateFormat: " << Quoted(h.LongDateFormat) << "\n"
      << "  TimeSeparator: " << Char(h.TimeSeparator) << "\n"
      << "  TimeAMString: " << Quoted(h.TimeAMString) << "\n"
      << "  TimePMString: " << Quoted(h.TimePMString) << "\n"
      << "  ShortTimeFormat: " << Quoted(h.ShortTimeFormat) << "\n"
      << "  LongTimeFormat: " << Quoted(h.LongTimeFormat) << "\n";
  auto names = [&](std::string_view label, const auto& values) {
    out << "  " << label << ":";
    for (const auto& v : values) out << " " << Quoted(v);
    out << "\n";
  };
  names("ShortMonthNames", h.ShortMonthNames);
  names("LongMonthNames", h.LongMonthNames);
  names("ShortDayNames", h.ShortDayNames);
  names("LongDayNames", h.LongDayNames);
  names("EraNames", h.EraNames);
  out << "  EraYearOffsets:";
  for (int32_t v : h.EraYearOffsets) out << " " << v;
  out << "\n"
      << "  HeaderWord: " << h.HeaderWord << "\n"
      << "  HeaderByte: " << int(h.HeaderByte) << "\n"
      << "  HeaderFlag: " << int(file.HeaderFlag()) << "\n";

  out << "fonts: " << file.Fonts().size() << " (flag " << int(file.FontFlag()) << ")\n";
  for (const auto& font : file.Fonts())
    out << "  " << Quoted(font->FontName) << " word " << font->FontWord << " byte "
        << int(font->FontByte) << "\n";

  out << "text list: " << file.TextList().size() << "\n";
  for (const auto& text : file.TextList()) out << "  " << Quoted(text) << "\n";

  out << "groups: " << file.Props().Count() << "\n";
  for (const auto& group : file.Props().Groups()) {
    out << "  " << Quoted(group.name) << ": " << group.items.size() << " items\n";
    for (const auto& item : group.items)
      out << "    " << Quoted(item.Text) << " = " << item.value << "\n";
  }

  out << "strings: " << file.Idents().size() << "\n";
  for (const TvIdentRec& rec : file.Idents())
    out << "  " << rec.Number << "\ttag " << rec.Tag << "\t" << Quoted(rec.Text) << "\n";
}

int Show(std::span<const std::string> args) {
  bool strings_only = false;
  std::vector<std::string> files;
  bool options = true;
  for (const auto& a : args) {
    if (options && a == "--")
      options = false;
    else if (options && a == "--strings")
      strings_only = true;
    else if (options && a.starts_with("-") && a != "-")
      throw UsageError("unknown option " + a);
    else
      files.push_back(a);
  }
  if (files.size() != 1) throw UsageError("lng show takes exactly one FILE");
  std::unique_ptr<TvLangFileEdit> file;
  try {
    file = TvLangFileEdit::ReadExisting(files[0]);
  } catch (const Error& e) {
    Rethrow(files[0], e);
  }
  if (strings_only)
    ShowStrings(*file, std::cout);
  else
    ShowAll(*file, std::cout);
  std::cout.flush();
  if (!std::cout) throw Error("cannot write to standard output");
  return kExitOk;
}

std::string Strings(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " string" : " strings");
}

int Add(std::span<const std::string> args) {
  bool replace = true;
  std::vector<std::string> words;
  bool options = true;
  for (const auto& a : args) {
    if (options && a == "--")
      options = false;
    else if (options && a == "--no-replace")
      replace = false;
    else if (options && a.starts_with("--"))
      throw UsageError("unknown option " + a);
    else
      words.push_back(a);
  }
  if (words.empty()) throw UsageError("lng add needs a FILE");
  const std::string& path = words[0];
  if ((words.size() - 1) % 2 != 0) throw UsageError("NUMBER and TEXT come in pairs");
  // Every pair is checked before the file is touched.
  std::vector<std::pair<uint16_t, std::string>> pairs;
  for (std::size_t i = 1; i + 1 < words.size(); i += 2) {
    unsigned long number;
    if (!ParseNumber(words[i], 0, 65535, number))
      throw UsageError("'" + words[i] + "' is not a string number from 0 to 65535");
    pairs.emplace_back(static_cast<uint16_t>(number), words[i + 1]);
  }
  // One writer at a time: the table is read and saved under the file's lock.
  std::optional<LangFileWriter> writer;
  try {
    writer.emplace(path);
  } catch (const Error& e) {
    Rethrow(path, e);
  }
  TvLangFileEdit& file = writer->File();
  std::size_t added = 0, replaced = 0, kept = 0;
  std::string notes;
  for (const auto& pair : pairs) {
    const auto& [number, text] = pair;
    auto& idents = file.MutableIdents();
    const auto it = std::find_if(idents.begin(), idents.end(),
                                 [&](const TvIdentRec& rec) { return rec.Number == pair.first; });
    if (it == idents.end()) {
      file.AddIdent(number, text, 0);
      ++added;
    } else if (replace) {
      // A second entry of one number would make the table unusable for translators.
      notes += path + ": string " + std::to_string(number) + " " + Quoted(it->Text) +
               " replaced by " + Quoted(text) + "\n";
      it->Text = file.KeepText(std::string(text));
      ++replaced;
    } else {
      notes += path + ": string " + std::to_string(number) + " kept as " + Quoted(it->Text) +
               " (--no-replace)\n";
      ++kept;
    }
  }
  writer->Save();
  std::cout << notes << path << ": " << Strings(added) << " added, "
            << (replaced > 0 ? std::to_string(replaced) + " replaced, " : "")
            << (kept > 0 ? std::to_string(kept) + " kept, " : "") << file.Idents().size()
            << " in the table\n";
  return kExitOk;
}

int Path(std::span<const std::string> args) {
  std::vector<std::string> names;
  bool options = true;
  for (const auto& a : args) {
    if (options && a == "--")
      options = false;
    else
      names.push_back(a);
  }
  if (names.size() != 1) throw UsageError("lng path takes exactly one NAME");
  std::cout << MakeLangFileName(names[0]) << "\n";
  return kExitOk;
}

}  // namespace

int LngExport(std::span<const std::string> args);  // LngPoCommand.cpp
int LngImport(std::span<const std::string> args);

int RunLng(std::span<const std::string> args) {
  if (args.empty()) throw UsageError("lng needs a subcommand: show, add, path, export or import");
  std::span<const std::string> rest = args.subspan(1);
  if (args[0] == "show") return Show(rest);
  if (args[0] == "add") return Add(rest);
  if (args[0] == "path") return Path(rest);
  if (args[0] == "export") return LngExport(rest);
  if (args[0] == "import") return LngImport(rest);
  throw UsageError("unknown lng subcommand '" + args[0] + "'");
}

}  // namespace polyverb::cli
