#include "host/RunSummary.h"

#include <gtest/gtest.h>

#include "cli/Cli.h"

namespace polyverb {
namespace {

TEST(RunSummaryTest, ListsEveryGroupWithCountsAndReasons) {
  RunSummary s;
  s.done = {"Shop.dpr", "About.pas"};
  s.skipped = {{"Bin.pas", "a binary form file"}};
  s.failed = {{"Main.pas", "Stream write error on /p/Main.pas: No space left on device"}};
  s.errors = {"Stream write error on /p/Main.pas: No space left on device"};
  s.open = {"Shop.dpr"};
  s.run_time_added = {"Shop.dpr", "Tools.pas"};
  EXPECT_EQ(FormatSummary(s),
            "polyverb-ide summary\n"
            "  modules done (2): Shop.dpr, About.pas\n"
            "  modules skipped (1): Bin.pas (a binary form file)\n"
            "  modules failed (1): Main.pas (Stream write error on /p/Main.pas: No space left "
            "on device)\n"
            "  messages shown (0)\n"
            "  run-time unit vLangRT added (2): Shop.dpr, Tools.pas\n"
            "  errors raised (1): Stream write error on /p/Main.pas: No space left on device\n"
            "  files still open (1): Shop.dpr\n");
}

TEST(RunSummaryTest, ExitStatusSaysWhatTheSummaryShows) {
  RunSummary s;
  s.done = {"Shop.dpr"};
  EXPECT_EQ(SummaryExitStatus(s), cli::kExitOk);
  s.messages = {"Cann't get module interface for Bin.pas"};
  EXPECT_EQ(SummaryExitStatus(s), cli::kExitMessageShown);
  RunSummary failed = s;
  failed.failed = {{"Main.pas", "why"}};
  EXPECT_EQ(SummaryExitStatus(failed), cli::kExitFailure);
  RunSummary raised = s;
  raised.errors = {"why"};
  EXPECT_EQ(SummaryExitStatus(raised), cli::kExitFailure);
  RunSummary stuck = s;
  stuck.driver_failed = true;
  EXPECT_EQ(SummaryExitStatus(stuck), cli::kExitFailure);
}

}  // namespace
}  // namespace polyverb
