// Compile, run, process, compile again, run against the written language file: the
// program must print exactly what it printed before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

struct Sample {
  std::string name;                  // folder under tests/cli/roundtrip
  std::string program;               // the main file, compiled
  std::vector<std::string> process;  // processed in this order
  std::string mark;                  // --mark
  int replaced;                      // GetLangStr calls expected in the sample's files
  bool classic = false;              // --classic
};

std::ostream& operator<<(std::ostream& os, const Sample& s) {
  return os << s.name << (s.classic ? " (classic)" : "");
}

std::string Describe(const testing::ToolResult& r) {
  return "exit " + std::to_string(r.exit_code) + "\nstdout:\n" + r.out + "\nstderr:\n" + r.err;
}

std::size_t CountCalls(const std::string& text) {
  std::size_t count = 0;
  for (auto at = text.find("GetLangStr("); at != std::string::npos;
       at = text.find("GetLangStr(", at + 1))
    ++count;
  return count;
}

class RoundTripTest : public ::testing::TestWithParam<Sample> {
 protected:
  void SetUp() override {
    // The run-time units would load this language instead of english.lng.
    ::unsetenv("POLYVERB_LANG");
    fs::copy(fs::path(SAMPLES_DIR) / GetParam().name, src_);
    fs::create_directory(empty_);
  }

  // Compiles the sample's program into `out` and gives the executable's path.
  std::string Compile(const std::string& out) {
    fs::create_directory(out);
    const auto r = testing::RunTool(
        FPC_BIN,
        {"-Mdelphi", "-FU" + out, "-FE" + out, "-Fu" RUNTIME_DIR, src_ + "/" + GetParam().program},
        work_.path());
    EXPECT_EQ(r.exit_code, 0) << Describe(r);
    return out + "/" + fs::path(GetParam().program).stem().string();
  }

  std::string Run(const std::string& exe, const std::string& cwd) {
    const auto r = testing::RunTool(exe, {}, cwd);
    EXPECT_EQ(r.exit_code, 0) << Describe(r);
    return r.out;
  }

  testing::TempDir work_;
  const std::string src_ = work_ / "src";
  const std::string empty_ = work_ / "empty";
};

TEST_P(RoundTripTest, RewrittenProgramPrintsTheSame) {
  const Sample& sample = GetParam();
  const std::string before = Run(Compile(work_ / "before"), empty_);
  ASSERT_FALSE(before.empty());

  std::vector<std::string> args = {"process", "--lang", "English", "--mark", sample.mark};
  if (sample.classic) args.push_back("--classic");
  args.insert(args.end(), sample.process.begin(), sample.process.end());
  const auto processed = testing::RunTool(POLYVERB_BIN, args, src_);
  ASSERT_EQ(processed.exit_code, 0) << Describe(processed);
  std::size_t calls = 0;  // include files are rewritten too
  for (const auto& file : testing::ListDirectory(src_))
    calls += CountCalls(testing::ReadBytes(src_ + "/" + file));
  EXPECT_EQ(calls, static_cast<std::size_t>(sample.replaced));

  const std::string after = Compile(work_ / "after");
  EXPECT_EQ(Run(after, src_), before);
  // Without its language file the program loses those texts (it may even stop, as shop
  // does when a field name comes out empty): they do come from the file.
  EXPECT_NE(testing::RunTool(after, {}, empty_).out, before);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, RoundTripTest,
    ::testing::Values(Sample{"shop", "shop.dpr", {"ShopUnit.pas", "shop.dpr"}, "all", 25},
                      // Case labels, Char values and set bounds cannot become calls: the
                      // sound rules leave them out, the classic ones need a mark list.
                      Sample{"labels", "labels.dpr", {"labels.dpr"}, "all", 5},
                      Sample{"labels", "labels.dpr", {"labels.dpr"}, "3,5,6,9,11", 5, true},
                      // Each construct that broke the build or was skipped, with an include
                      // file, a PChar routine and no run-time unit in the uses clause.
                      Sample{"repros", "repros.dpr", {"repros.dpr"}, "all", 19}),
    [](const auto& info) { return info.param.name + (info.param.classic ? "_classic" : ""); });

}  // namespace
}  // namespace polyverb
