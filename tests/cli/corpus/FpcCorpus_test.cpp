// The Free Pascal programs of the real-world corpus, converted whole: every unit through
// `polyverb process --mark all`, then built as the corpus builds them with the run-time
// units added to the unit path, and run: the output must be what the unconverted program
// printed. A program built in ISO mode cannot use units; its candidates are only listed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

// One row of the corpus's MANIFEST.tsv.
struct Project {
  std::string name, kind, main_file, build, run, expected;
};

std::vector<Project> ReadManifest() {
  std::vector<Project> projects;
  std::ifstream in(std::string(CORPUS_DIR) + "/MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream row(line);
    for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
    if (fields.size() == 6)
      projects.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
  }
  return projects;
}

std::string Describe(const testing::ToolResult& r) {
  return "exit " + std::to_string(r.exit_code) + "\nstdout:\n" + r.out + "\nstderr:\n" + r.err;
}

// The manifest's shell command with the run-time units on every fpc's unit path.
std::string WithRunTime(std::string command) {
  const std::string unit_path = "fpc -Fu'" + std::string(RUNTIME_DIR) + "' ";
  for (auto at = command.find("fpc "); at != std::string::npos;
       at = command.find("fpc ", at + unit_path.size()))
    command.replace(at, 4, unit_path);
  return command;
}

class FpcCorpusTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ::unsetenv("POLYVERB_LANG");  // the run-time units would load that language instead
    if (!fs::is_directory(CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << CORPUS_DIR;
    for (const Project& p : ReadManifest())
      if (p.name == GetParam()) project_ = p;
    ASSERT_EQ(project_.kind, "fpc") << GetParam() << " is not a Free Pascal project";
    // The copy keeps the corpus's layout: the manifest's commands start at its root.
    const fs::path relative = fs::path(project_.main_file).parent_path().parent_path();
    dir_ = work_ / relative.string();
    fs::create_directories(fs::path(dir_).parent_path());
    fs::copy(fs::path(CORPUS_DIR) / relative, dir_, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
  }

  // Every Pascal source outside the corpus harness, relative to the project directory.
  std::vector<std::string> Sources() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      const std::string ext = entry.path().extension().string();
      const std::string rel = fs::relative(entry.path(), dir_).string();
      if ((ext == ".pas" || ext == ".pp") && !rel.starts_with("corpus/")) files.push_back(rel);
    }
    return files;
  }

  testing::ToolResult Shell(const std::string& command) {
    return testing::RunTool("/bin/sh", {"-c", command}, work_.path());
  }

  testing::TempDir work_;
  Project project_;
  std::string dir_;
};

TEST_P(FpcCorpusTest, ConvertedProgramBuildsAndPrintsTheSame) {
  std::vector<std::string> args = {"process", "--mark", "all"};
  const std::vector<std::string> sources = Sources();
  args.insert(args.end(), sources.begin(), sources.end());
  if (project_.build.find("-Miso") != std::string::npos) {
    // No unit can be used in ISO mode: the candidates are listed, nothing is converted.
    args = {"list"};
    args.insert(args.end(), sources.begin(), sources.end());
    const auto listed = testing::RunTool(POLYVERB_BIN, args, dir_);
    ASSERT_EQ(listed.exit_code, 0) << Describe(listed);
    EXPECT_NE(listed.out, "");
    return;
  }
  const auto converted = testing::RunTool(POLYVERB_BIN, args, dir_);
  ASSERT_EQ(converted.exit_code, 0) << Describe(converted);
  EXPECT_NE(converted.out.find(" marked, numbers 1-"), std::string::npos) << converted.out;

  const auto built = Shell(WithRunTime(project_.build));
  ASSERT_EQ(built.exit_code, 0) << Describe(built);
  const auto ran = Shell(project_.run);
  EXPECT_EQ(ran.out, testing::ReadBytes(work_ / project_.expected)) << ran.err;
}

INSTANTIATE_TEST_SUITE_P(Corpus, FpcCorpusTest,
                         ::testing::Values("tiny-prolog2", "pubforth", "pascal-p4"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace polyverb
