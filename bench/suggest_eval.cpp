// suggest_eval: how well the suggested marks match the hand labels of the evaluation set
// in tests/source/suggest/ (README.md there says how it was drawn and labelled).
//
// For each sampled literal it reads the source file, runs the suggestion rules on the
// literal in its place, and compares "mark" with the label: `text` should be marked,
// `data` and `dev` left. It prints, per source and overall, the confusion table and the
// precision and recall of "mark" on `text`.
//
// The rules were tuned on the `tune` half; the figures that count are those of the
// `report` half, the default. --errors lists the misjudged rows, and is refused for the
// report half so that nobody tunes on it; so is --rules, which counts the labels each
// rule decided.
//
//   suggest_eval [--split tune|report] [--errors] [--rules] [--data DIR] [--corpus DIR] [--fpcsrc
//   DIR]
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "source/LiteralList.h"
#include "source/Scanner.h"
#include "source/SourceText.h"
#include "source/SuggestRules.h"

namespace {

using namespace polyverb;

struct Row {
  std::string id, split, source, file, label;
  std::int32_t line = 0, start = 0, next = 0;
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

std::vector<Row> ReadRows(const std::string& dir) {
  std::ifstream labels(dir + "/labels.tsv", std::ios::binary);
  std::ifstream sample(dir + "/sample.tsv", std::ios::binary);
  if (!labels || !sample) throw Error("Cannot open the evaluation set in " + dir);
  std::map<std::string, std::string> label_of;
  std::string line;
  std::getline(labels, line);  // header
  while (std::getline(labels, line)) {
    const auto f = Fields(line);
    if (f.size() >= 2) label_of[f[0]] = f[1];
  }
  std::vector<Row> rows;
  std::getline(sample, line);
  while (std::getline(sample, line)) {
    const auto f = Fields(line);
    if (f.size() < 7) continue;
    Row r{f[0], f[1], f[2], f[3], label_of[f[0]]};
    r.line = std::stoi(f[4]);
    r.start = std::stoi(f[5]);
    r.next = std::stoi(f[6]);
    if (r.label.empty()) throw Error("No label for " + r.id);
    rows.push_back(r);
  }
  return rows;
}

struct Counts {
  std::map<std::string, int> mark, leave;  // by label
  void Add(const std::string& label, bool marked) { (marked ? mark : leave)[label]++; }
};

void Print(const std::string& title, Counts& c) {
  const int tp = c.mark["text"];
  const int marked = c.mark["text"] + c.mark["data"] + c.mark["dev"];
  const int texts = c.mark["text"] + c.leave["text"];
  std::printf("%s\n", title.c_str());
  std::printf("  label    mark  leave\n");
  for (const char* label : {"text", "data", "dev"})
    std::printf("  %-6s %6d %6d\n", label, c.mark[label], c.leave[label]);
  std::printf("  precision %d/%d = %.3f   recall %d/%d = %.3f\n\n", tp, marked,
              marked ? static_cast<double>(tp) / marked : 0.0, tp, texts,
              texts ? static_cast<double>(tp) / texts : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  std::string split = "report";
  bool errors = false;
  bool rules = false;
  std::string data = POLYVERB_SUGGEST_DATA;
  std::string corpus = POLYVERB_CORPUS;
  std::string fpcsrc = "/usr/share/fpcsrc";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw Error(a + " needs a value");
      return argv[++i];
    };
    if (a == "--split")
      split = value();
    else if (a == "--errors")
      errors = true;
    else if (a == "--rules")
      rules = true;
    else if (a == "--data")
      data = value();
    else if (a == "--corpus")
      corpus = value();
    else if (a == "--fpcsrc")
      fpcsrc = value();
    else {
      std::cerr << "usage: suggest_eval [--split tune|report] [--errors] [--rules] [--data DIR] "
                   "[--corpus DIR] [--fpcsrc DIR]\n";
      return 2;
    }
  }
  if (split != "tune" && split != "report") {
    std::cerr << "suggest_eval: --split is tune or report\n";
    return 2;
  }
  if ((errors || rules) && split != "tune") {
    std::cerr << "suggest_eval: --errors and --rules look at the tune half only\n";
    return 2;
  }
  try {
    const std::vector<Row> rows = ReadRows(data);
    std::map<std::string, Counts> by_source;
    std::map<std::string_view, Counts> by_rule;
    Counts all;
    // Rows come sorted by file: each file is read and tokenized once.
    for (std::size_t i = 0; i < rows.size();) {
      std::size_t end = i;
      while (end < rows.size() && rows[end].file == rows[i].file) ++end;
      std::vector<const Row*> group;
      for (std::size_t k = i; k < end; ++k)
        if (rows[k].split == split) group.push_back(&rows[k]);
      const std::string file = rows[i].file;
      i = end;
      if (group.empty()) continue;
      const bool fpc = file.rfind("fpcsrc/", 0) == 0;
      const SourceText source =
          ReadSourceFile(fpc ? fpcsrc + "/" + file.substr(7) : corpus + "/" + file);
      TLangStrings literals;
      for (const Row* r : group) {
        const std::string_view line = source.Lines()[static_cast<std::size_t>(r->line - 1)];
        literals.Add(
            TvScanner::UnquoteString(line.substr(static_cast<std::size_t>(r->start - 1),
                                                 static_cast<std::size_t>(r->next - r->start))),
            r->line - 1, r->start, r->next);
      }
      const std::vector<TSuggestion> suggestions = SuggestMarks(source.Lines(), literals);
      for (std::size_t k = 0; k < group.size(); ++k) {
        const Row& r = *group[k];
        const bool marked = suggestions[k].suggest == TSuggest::kMark;
        by_source[r.source].Add(r.label, marked);
        all.Add(r.label, marked);
        by_rule[suggestions[k].reason].Add(r.label, marked);
        if (errors && marked != (r.label == "text"))
          std::printf("%s %-5s %-5s %-70.70s | %s\n", r.id.c_str(), r.label.c_str(),
                      marked ? "MARK" : "leave",
                      std::string(source.Lines()[static_cast<std::size_t>(r.line - 1)]).c_str(),
                      std::string(suggestions[k].reason).c_str());
      }
    }
    std::printf("split %s\n\n", split.c_str());
    for (auto& [name, counts] : by_source) Print(name, counts);
    Print("all", all);
    if (rules) {
      std::printf("rule hits (text data dev)\n");
      for (const TSuggestRule& rule : SuggestRules()) {
        Counts& c = by_rule[rule.reason];
        std::printf("  %-5s %3d %3d %3d  %s\n", std::string(SuggestName(rule.suggest)).c_str(),
                    c.mark["text"] + c.leave["text"], c.mark["data"] + c.leave["data"],
                    c.mark["dev"] + c.leave["dev"], std::string(rule.reason).c_str());
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "suggest_eval: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
