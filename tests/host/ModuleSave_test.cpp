// kill -9 at every step of the IDE stand-in's save of a module: once the next run has
// opened the project, the form and the unit are both as before or both saved. No Qt: the
// children are forked, and a process without threads forks cleanly.
#include <signal.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "host/IdeModules.h"
#include "platform/Files.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

class QuietView : public IdeView {
 public:
  void Report(const std::string& text) override { reports.push_back(text); }
  void Note(const std::string&) override {}
  void FormShown(const std::string&, const FormFile&) override {}
  void OpenFilesChanged(const std::vector<std::string>&) override {}
  std::vector<std::string> reports;
};

// Dies, as kill -9 does, at the n-th write or rename.
class DieAtStep : public FileWriter {
 public:
  explicit DieAtStep(int step) : left_(step) {}
  void WriteAll(int fd, std::string_view data) override {
    Step();
    inner_.WriteAll(fd, data);
  }
  bool Rename(const std::string& from, const std::string& to) override {
    Step();
    return inner_.Rename(from, to);
  }

 private:
  void Step() {
    if (--left_ == 0) ::raise(SIGKILL);
  }
  int left_;
  FileWriter& inner_ = CurrentFileWriter();
};

void WriteProject(const testing::TempDir& dir) {
  testing::WriteBytes(dir / "Shop.dpr", "program Shop;\nuses Main in 'Main.pas';\nbegin\nend.\n");
  testing::WriteBytes(dir / "Main.pas",
                      "unit Main;\ninterface\nuses Forms;\ntype\n  TfrmMain = class(TForm)\n"
                      "  end;\nimplementation\nend.\n");
  testing::WriteBytes(dir / "Main.dfm", "object frmMain: TfrmMain\n  Caption = 'Shop'\nend\n");
}

// What the wizard run asks of the IDE for the module: a TvMLang, its property, Save.
void AddComponentAndSave(const testing::TempDir& dir) {
  QuietView view;
  LiveObjects live;
  IdeModules modules(dir / "Shop.dpr", view, live);
  TIntfPtr<TIModuleInterface> module(modules.GetModuleInterface(dir / "Main.pas"));
  TIntfPtr<TIFormInterface> form(module->GetFormInterface());
  TIntfPtr<TIComponentInterface> added(form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10));
  const std::string lang = "English";
  added->SetPropByName("LangFileName", &lang);
  module->Save(true);
}

std::pair<std::string, std::string> Module(const testing::TempDir& dir) {
  return {testing::ReadBytes(dir / "Main.dfm"), testing::ReadBytes(dir / "Main.pas")};
}

TEST(ModuleSaveTest, KillAtAnyStepLeavesTheModuleWholeOrUntouchedAfterTheNextRun) {
  testing::TempDir reference;
  WriteProject(reference);
  const auto before = Module(reference);
  AddComponentAndSave(reference);
  const auto saved = Module(reference);
  ASSERT_NE(saved.first, before.first);
  ASSERT_NE(saved.second, before.second);

  int step = 1;
  for (;; ++step) {
    ASSERT_LT(step, 30) << "the save never completes";
    testing::TempDir dir;
    WriteProject(dir);
    const int status = testing::RunInChild([&] {
      DieAtStep dying(step);
      const ScopedFileWriter scoped(dying);
      AddComponentAndSave(dir);
      return 0;
    });
    if (status == 0) break;  // past the last step
    ASSERT_EQ(status, 128 + SIGKILL);
    {
      QuietView view;
      LiveObjects live;
      const IdeModules next_run(dir / "Shop.dpr", view, live);
    }
    const auto now = Module(dir);
    EXPECT_TRUE(now == before || now == saved) << "killed at step " << step << "\n"
                                               << now.first << now.second;
    for (const std::string& name : testing::ListDirectory(dir.path()))
      EXPECT_EQ(name.find(".journal"), std::string::npos) << name << " at step " << step;
  }
  EXPECT_GE(step, 6);  // the journal, the form and the unit: each written and renamed
}

}  // namespace
}  // namespace polyverb
