// polyverb lng export | import: the translators' round trip through PO files.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "langfile/PoFile.h"
#include "platform/Files.h"

namespace polyverb::cli {
namespace {

struct PoArgs {
  std::vector<std::string> files;
  std::optional<std::string> output;
  std::optional<TextEncoding> encoding;
};

PoArgs ParseArgs(std::span<const std::string> args) {
  PoArgs parsed;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options || a == "--") {
      if (options)
        options = false;
      else
        parsed.files.push_back(a);
      continue;
    }
    auto value = [&](std::string_view option) -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(std::string(option) + " needs a value");
      return args[++i];
    };
    if (a == "-o" || a == "--output") {
      if (parsed.output) throw UsageError("-o given twice");
      parsed.output = value(a);
    } else if (a == "--encoding" || a.starts_with("--encoding=")) {
      std::string name = a == "--encoding" ? value(a) : a.substr(11);
      parsed.encoding = ParseEncodingName(name);
      if (!parsed.encoding)
        throw UsageError("unknown encoding '" + name + "' (use utf-8 or windows-1252)");
    } else if (a.starts_with("-") && a != "-") {
      throw UsageError("unknown option " + a);
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.output && parsed.output->empty()) throw UsageError("-o needs a file name");
  return parsed;
}

// Reader messages that do not name the file get it in front.
[[noreturn]] void Rethrow(const std::string& path, const Error& e) {
  std::string message = e.what();
  if (message.find(path) == std::string::npos) throw Error(path + ": " + message);
  throw;
}

std::unique_ptr<TvLangFileEdit> ReadLangFile(const std::string& path) {
  try {
    return TvLangFileEdit::ReadExisting(path);
  } catch (const Error& e) {
    Rethrow(path, e);
  }
}

}  // namespace

int LngExport(std::span<const std::string> args) {
  PoArgs parsed = ParseArgs(args);
  if (parsed.files.size() != 1) throw UsageError("lng export takes exactly one FILE");
  if (parsed.output) RefuseOverwritingInput(*parsed.output, parsed.files);
  std::unique_ptr<TvLangFileEdit> file = ReadLangFile(parsed.files[0]);
  const std::string po = ExportPoTemplate(*file, parsed.encoding);
  if (parsed.output) {
    ReplaceFile(*parsed.output, po);
    return kExitOk;
  }
  std::cout << po;
  std::cout.flush();
  if (!std::cout) throw Error("cannot write to standard output");
  return kExitOk;
}

int LngImport(std::span<const std::string> args) {
  PoArgs parsed = ParseArgs(args);
  if (parsed.files.size() != 2) throw UsageError("lng import takes NATIVE.lng and TRANSLATED.po");
  if (!parsed.output) throw UsageError("lng import needs -o OUT.lng");
  const std::string& native_path = parsed.files[0];
  const std::string& po_path = parsed.files[1];
  const std::string& out_path = *parsed.output;
  RefuseOverwritingInput(out_path, parsed.files);

  std::unique_ptr<TvLangFileEdit> file = ReadLangFile(native_path);
  PoCatalog catalog = ReadPo(ReadWholeFile(po_path), po_path);
  PoImportReport report = ImportPo(*file, catalog, po_path, parsed.encoding);
  file->SaveAs(out_path);

  for (const std::string& warning : report.warnings) std::cerr << warning << "\n";
  std::size_t kept = report.missing + report.empty + report.fuzzy;
  std::cout << out_path << ": " << report.strings << " strings, " << report.translated
            << " translated, " << kept << " kept the native text (" << report.missing
            << " missing, " << report.empty << " empty, " << report.fuzzy << " fuzzy)\n";
  return kExitOk;
}

}  // namespace polyverb::cli
