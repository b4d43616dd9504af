// polyverb list: the candidate literals of Pascal source files.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/OrderedParallel.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/SourceText.h"

namespace polyverb::cli {
namespace {

struct ListArgs {
  bool tsv = false;
  unsigned jobs = 0;  // 0: one per processor
  std::vector<std::string> files;
};

ListArgs ParseListArgs(std::span<const std::string> args) {
  ListArgs parsed;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--tsv") {
      parsed.tsv = true;
    } else if (options && TakeJobsOption(args, i, parsed.jobs)) {
      // -j N: taken
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.empty()) throw UsageError("no FILE given");
  if (parsed.jobs == 0) parsed.jobs = ProcessorCount();
  return parsed;
}

// One file's lines of output; built whole so a file that fails leaves nothing half-listed.
std::string FormatCandidates(const std::string& file, const SourceText& source,
                             const TLangStrings& strings, bool tsv) {
  std::string out;
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    out += file;
    if (tsv) {
      out += '\t';
      AppendNumber(out, s.LineIndex + 1);
      out += '\t';
      AppendNumber(out, s.StartPos);
      out += '\t';
      AppendNumber(out, s.NextPos);
      out += '\t';
      AppendEscapedText(out, s.Text);
    } else {
      const std::string_view text = source.Lines()[static_cast<std::size_t>(s.LineIndex)];
      const auto written = text.substr(static_cast<std::size_t>(s.StartPos - 1),
                                       static_cast<std::size_t>(s.NextPos - s.StartPos));
      out += ':';
      AppendNumber(out, s.LineIndex + 1);
      out += ':';
      AppendNumber(out, s.StartPos);
      out += ": ";
      AppendNumber(out, i + 1);
      out += ": ";
      AppendEscapedText(out, written);
    }
    out += '\n';
  }
  return out;
}

// What listing one file gives: its lines of output, or why it could not be listed.
struct Listing {
  std::string out;
  std::string error;
};

Listing ListFile(const std::string& file, bool tsv) {
  Listing listing;
  // One unreadable file must not hide the candidates of the others.
  try {
    const SourceText source = ReadSourceFile(file);
    TLangStrings strings;
    FindStrings(source.Lines(), strings);
    listing.out = FormatCandidates(file, source, strings, tsv);
  } catch (const Error& e) {
    listing.error = e.what();
  }
  return listing;
}

}  // namespace

int RunList(std::span<const std::string> args) {
  const ListArgs parsed = ParseListArgs(args);
  int status = kExitOk;
  // Files are read and scanned side by side; what each gives is printed in argument
  // order, so the output does not depend on the number of jobs.
  ForEachInOrder<Listing>(
      parsed.files.size(), parsed.jobs,
      [&](std::size_t i) { return ListFile(parsed.files[i], parsed.tsv); },
      [&](std::size_t, Listing& listing) {
        if (!listing.error.empty()) {
          std::cout.flush();
          std::cerr << "polyverb list: " << listing.error << "\n";
          status = kExitFailure;
          return;
        }
        std::cout.write(listing.out.data(), static_cast<std::streamsize>(listing.out.size()));
      });
  std::cout.flush();
  if (!std::cout) throw StreamWriteError();
  return status;
}

}  // namespace polyverb::cli
