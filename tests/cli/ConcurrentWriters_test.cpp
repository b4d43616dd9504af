// Many polyverb runs on one language file at once, as `xargs -P` or a parallel build starts
// them: every run that exits 0 must find its entries in the file afterwards.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

extern char** environ;

namespace polyverb {
namespace {

struct Started {
  pid_t pid;
  std::string what;
  std::string log;
};

// Starts `args` in `dir` without waiting; stdout and stderr go to `log`.
Started Start(const std::string& dir, const std::vector<std::string>& args,
              const std::string& log) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  std::vector<char*> argv{const_cast<char*>(POLYVERB_BIN)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, POLYVERB_BIN, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return {pid, args[0] + " " + args[1] + " " + args.back(), log};
}

TEST(ConcurrentWritersTest, SixteenRunsAtOnceLoseNothing) {
  testing::TempDir dir;
  const std::string lng = dir / "english.lng";
  // Numbers of process runs start above 50000; those of lng add stay below.
  ASSERT_EQ(testing::RunTool(POLYVERB_BIN, {"lng", "add", lng, "50000", "seed"}).exit_code, 0);
  std::map<int, std::string> added;
  std::map<std::string, std::vector<std::string>> unit_texts;
  for (int round = 0; round < 3; ++round) {
    std::vector<Started> runs;
    for (int k = 0; k < 16; ++k) {
      const std::string id = std::to_string(round) + "_" + std::to_string(k);
      const std::string log = dir / ("log" + id);
      if (k % 2 == 0) {
        const int n = 1000 * (round + 1) + k;
        added[n] = "add " + id;
        added[n + 500] = "more " + id;
        runs.push_back(Start(dir.path(),
                             {"lng", "add", lng, std::to_string(n), added[n],
                              std::to_string(n + 500), added[n + 500]},
                             log));
      } else {
        const std::string unit = "u" + id + ".pas";
        unit_texts[unit] = {"One " + id, "Two " + id, "Three " + id};
        testing::WriteBytes(dir / unit, "unit u" + id +
                                            ";\ninterface\nimplementation\nprocedure P;\nbegin\n"
                                            "  A('" +
                                            unit_texts[unit][0] + "', '" + unit_texts[unit][1] +
                                            "');\n  B('" + unit_texts[unit][2] +
                                            "');\nend;\nend.\n");
        runs.push_back(Start(dir.path(), {"process", "--lang", lng, unit}, log));
      }
    }
    for (const Started& run : runs) {
      int status = -1;
      ::waitpid(run.pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << run.what << ":\n"
                                                                 << testing::ReadBytes(run.log);
    }
  }

  std::map<int, std::string> table;
  const auto file = TvLangFileEdit::ReadExisting(lng);
  for (const TvIdentRec& rec : file->Idents())
    EXPECT_TRUE(table.emplace(rec.Number, rec.Text).second) << "number twice: " << rec.Number;
  for (const auto& [number, text] : added) EXPECT_EQ(table[number], text) << number;
  const std::regex call("GetLangStr\\((\\d+)\\)");
  for (const auto& [unit, texts] : unit_texts) {
    const std::string source = testing::ReadBytes(dir / unit);
    std::vector<std::string> found;
    for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it)
      found.push_back(table[std::stoi((*it)[1])]);
    EXPECT_EQ(found, texts) << unit << ":\n" << source;
  }
}

}  // namespace
}  // namespace polyverb
