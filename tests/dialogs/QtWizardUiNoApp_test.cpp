// The add-in's dialogs in a host that runs no QApplication: a clear error through the
// error relay, never a Qt abort. This binary creates no QApplication of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/QtWizardUi.h"
#include "expert/WizardUi.h"
#include "platform/Error.h"
#include "tests/expert/RecordingHost.h"
#include "tests/testing/TempDir.h"

namespace polyverb::testing {
namespace {

std::string Refusal(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  return "no failure";
}

// Each of the seam's dialogs, called on the UI the product links.
std::vector<std::string> Refusals() {
  const std::unique_ptr<TWizardUi> ui = CreateWizardUi(0);
  TLangStrings strings;
  strings.Add("Hello", 0, 1, 8);
  const std::vector<std::string> lines = {"'Hello'"};
  return {Refusal([&] { ui->CreateWizardDialog(); }), Refusal([&] { ui->ShowMessage("Hi"); }),
          Refusal([&] { ui->ChooseStrings(lines, strings); })};
}

TEST(NoQApplicationTest, EveryDialogIsRefusedWithAClearMessage) {
  EXPECT_EQ(Refusals(), std::vector<std::string>(3, kNoQApplication));
}

TEST(NoQApplicationTest, ACoreApplicationIsNotEnough) {
  int argc = 1;
  char name[] = "noapp";
  char* argv[] = {name, nullptr};
  const QCoreApplication app(argc, argv);
  EXPECT_EQ(Refusals(), std::vector<std::string>(3, kNoQApplication));
}

TEST(NoQApplicationTest, AClickInTheLoadedAddInReachesTheIdeAsAnError) {
  void* library = dlopen(POLYVERB_ADDIN, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  const auto entry = reinterpret_cast<TExpertInitProc>(dlsym(library, kExpertEntryPoint));
  ASSERT_NE(entry, nullptr);

  TempDir dir(/*enter=*/true);
  RecordingHost host(dir.path());
  host.AddFile("Project1.dpr", "program Project1;\nbegin\nend.\n");
  TExpertTerminateProc terminate = nullptr;
  ASSERT_TRUE(entry(&host, &RecordingHost::Register, &terminate));
  host.Click("ProjectPolyverbItem");
  host.Click("ProjectPolyverbItem");
  EXPECT_EQ(host.errors, std::vector<std::string>(2, kNoQApplication));
  host.Verify();
}

}  // namespace
}  // namespace polyverb::testing
