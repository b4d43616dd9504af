// The tool services over a project on disk and the main window's real Qt menu bar.
#include "host/IdeServices.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <memory>
#include <string>
#include <vector>

#include "host/MainWindow.h"
#include "platform/Error.h"
#include "project/ProjectFile.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

std::vector<std::string> ActionNames(const QWidget& widget) {
  std::vector<std::string> names;
  for (const QAction* action : widget.actions())
    names.push_back(action->objectName().toStdString());
  return names;
}

class IdeServicesTest : public ::testing::Test {
 protected:
  IdeServicesTest() {
    testing::WriteBytes(dir_ / "Shop.dpr",
                        "program Shop;\nuses\n  Forms,\n  Main in 'main.pas' {frmMain};\n{$R "
                        "*.res}\nbegin\nend.\n");
    testing::WriteBytes(dir_ / "Main.pas", "unit Main;\ninterface\nimplementation\nend.\n");
    window_ =
        std::make_unique<MainWindow>(dir_ / "Shop.dpr", ProjectFile(dir_ / "Shop.dpr").Files());
    services_ = std::make_unique<IdeServices>(dir_ / "Shop.dpr", *window_);
  }
  ~IdeServicesTest() override {
    services_.reset();
    window_.reset();
  }

  QMenu& ProjectMenu() { return *window_->menuBar()->findChild<QMenu*>("ProjectMenu"); }

  testing::TempDir dir_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<IdeServices> services_;
};

TEST_F(IdeServicesTest, ProjectFilesAreReadFromDiskOnEveryCall) {
  EXPECT_EQ(services_->GetProjectName(), dir_ / "Shop.dpr");
  ASSERT_EQ(services_->GetUnitCount(), 2);
  EXPECT_EQ(services_->GetUnitName(1), dir_ / "Main.pas");
  testing::WriteBytes(dir_ / "Shop.res", "");
  testing::WriteBytes(dir_ / "Shop.dpr", "program Shop;\nbegin\nend.\n");
  EXPECT_EQ(services_->GetUnitCount(), 2);
  EXPECT_EQ(services_->GetUnitName(1), dir_ / "Shop.res");
  try {
    services_->GetUnitName(2);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
}

TEST_F(IdeServicesTest, ParentHandleIsTheMainWindow) {
  EXPECT_EQ(QWidget::find(static_cast<WId>(services_->GetParentHandle())), window_.get());
}

// The add-in's steps: the options item, its submenu, an item inserted after it.
TEST_F(IdeServicesTest, ItemInsertedAfterTheOptionsItemCallsItsHandler) {
  TIntfPtr<TIMainMenuIntf> menu(services_->GetMainMenu());
  ASSERT_TRUE(menu);
  EXPECT_TRUE(TIntfPtr<TIMenuItemIntf>(menu->GetMenuItems()));
  EXPECT_FALSE(TIntfPtr<TIMenuItemIntf>(menu->FindMenuItem("NoSuchItem")));
  TIntfPtr<TIMenuItemIntf> options(menu->FindMenuItem("projectoptionsitem"));
  ASSERT_TRUE(options);
  EXPECT_EQ(options->GetIndex(), 0);
  TIntfPtr<TIMenuItemIntf> project(options->GetParent());
  ASSERT_TRUE(project);
  EXPECT_EQ(project->GetIndex(), 1);  // File, Project, Help
  EXPECT_FALSE(
      TIntfPtr<TIMenuItemIntf>(TIntfPtr<TIMenuItemIntf>(project->GetParent())->GetParent()));

  struct Clicks {
    std::vector<std::int32_t> sender_indexes;
    void OnClick(TIMenuItemIntf* sender) { sender_indexes.push_back(sender->GetIndex()); }
  } clicks;
  TIntfPtr<TIMenuItemIntf> item(project->InsertItem(
      options->GetIndex() + 1, "Polyverb", "ProjectPolyverbItem", "", 0, 0, 0,
      MenuFlag(mfEnabled) | MenuFlag(mfVisible), BindMenuClick<Clicks, &Clicks::OnClick>(&clicks)));
  ASSERT_TRUE(item);
  EXPECT_EQ(ActionNames(ProjectMenu()),
            (std::vector<std::string>{"ProjectOptionsItem", "ProjectPolyverbItem"}));
  QAction* action = services_->Menus().FindAction("ProjectPolyverbItem");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->text().toStdString(), "Polyverb");
  EXPECT_TRUE(action->isEnabled());
  EXPECT_TRUE(action->isVisible());
  action->trigger();
  EXPECT_EQ(clicks.sender_indexes, std::vector<std::int32_t>{1});
  // Only the item wrappers above are alive: the Sender went after the click.
  EXPECT_EQ(services_->Live().Count(), 4u);

  services_->Menus().RemoveInsertedItems();
  EXPECT_EQ(ActionNames(ProjectMenu()), std::vector<std::string>{"ProjectOptionsItem"});
  // The item's interface outlives its action and gives nothing.
  EXPECT_EQ(item->GetIndex(), -1);
  EXPECT_FALSE(TIntfPtr<TIMenuItemIntf>(item->InsertItem(0, "x", "x", "", 0, 0, 0, 6, {})));
}

TEST_F(IdeServicesTest, InsertItemPlacesAndFlagsTheItem) {
  TIntfPtr<TIMainMenuIntf> menu(services_->GetMainMenu());
  TIntfPtr<TIMenuItemIntf> top(menu->GetMenuItems());
  TIntfPtr<TIMenuItemIntf> tools(top->InsertItem(99, "&Tools", "ToolsMenu", "", 0, 0, 0, 0, {}));
  ASSERT_TRUE(tools);
  EXPECT_EQ(tools->GetIndex(), 3);  // past the end: appended
  QAction* action = services_->Menus().FindAction("ToolsMenu");
  EXPECT_FALSE(action->isEnabled());
  EXPECT_FALSE(action->isVisible());
  // An item without a submenu holds no items; a negative index is none.
  EXPECT_FALSE(TIntfPtr<TIMenuItemIntf>(tools->InsertItem(0, "x", "x", "", 0, 0, 0, 6, {})));
  TIntfPtr<TIMenuItemIntf> options(menu->FindMenuItem("ProjectOptionsItem"));
  TIntfPtr<TIMenuItemIntf> project(options->GetParent());
  EXPECT_FALSE(TIntfPtr<TIMenuItemIntf>(project->InsertItem(-1, "x", "x", "", 0, 0, 0, 6, {})));
  TIntfPtr<TIMenuItemIntf> first(
      project->InsertItem(0, "&Checked", "CheckedItem", "a hint", 0x4000 | 'K', 0, 0,
                          MenuFlag(mfEnabled) | MenuFlag(mfVisible) | MenuFlag(mfChecked), {}));
  EXPECT_EQ(ActionNames(ProjectMenu()),
            (std::vector<std::string>{"CheckedItem", "ProjectOptionsItem"}));
  QAction* checked = services_->Menus().FindAction("CheckedItem");
  EXPECT_TRUE(checked->isChecked());
  EXPECT_EQ(checked->statusTip().toStdString(), "a hint");
  EXPECT_EQ(checked->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
}

struct ShortCutCase {
  std::int32_t value;
  int key;
};

class ShortCutTest : public ::testing::TestWithParam<ShortCutCase> {};

TEST_P(ShortCutTest, MapsTheIdeValueToAQtKey) {
  EXPECT_EQ(ShortCutToQtKey(GetParam().value), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortCutTest,
    ::testing::Values(ShortCutCase{0, 0}, ShortCutCase{'A', Qt::Key_A},
                      ShortCutCase{'7', Qt::Key_7}, ShortCutCase{0x70, Qt::Key_F1},
                      ShortCutCase{0x7B, Qt::Key_F12},
                      ShortCutCase{0x2000 | 'S', int(Qt::SHIFT) | Qt::Key_S},
                      ShortCutCase{0xC000 | 0x71, int(Qt::CTRL) | int(Qt::ALT) | Qt::Key_F2},
                      ShortCutCase{0x0D, 0}, ShortCutCase{0x4000, 0}));

// ---- Registration -----------------------------------------------------------------------

class FakeExpert : public TIExpert {
 public:
  explicit FakeExpert(bool* destroyed) : destroyed_(destroyed) {}
  std::string GetName() override { return "Fake"; }
  std::string GetAuthor() override { return {}; }
  std::string GetComment() override { return {}; }
  std::string GetPage() override { return {}; }
  TGlyphHandle GetGlyph() override { return 0; }
  TExpertStyle GetStyle() override { return TExpertStyle::esAddIn; }
  TExpertState GetState() override { return 0; }
  std::string GetIDString() override { return "Fake"; }
  std::string GetMenuText() override { return {}; }
  void Execute() override {}

 protected:
  ~FakeExpert() override { *destroyed_ = true; }

 private:
  bool* destroyed_;
};

bool g_destroyed = false;
bool g_terminated = false;
bool g_keep_extra_reference = false;
TIToolServices* g_services = nullptr;
TIExpert* g_expert = nullptr;

bool FakeEntry(TIToolServices* services, TExpertRegisterProc register_proc,
               TExpertTerminateProc* terminate) {
  g_services = services;
  auto* expert = new FakeExpert(&g_destroyed);
  g_expert = expert;
  if (g_keep_extra_reference) expert->AddRef();
  register_proc(expert);
  *terminate = [] { g_terminated = true; };
  return true;
}

TEST_F(IdeServicesTest, ExpertsAreKeptAndReleasedOnCloseThenTerminated) {
  for (bool extra : {false, true}) {
    g_destroyed = g_terminated = false;
    g_keep_extra_reference = extra;
    ASSERT_TRUE(services_->InitAddin(&FakeEntry));
    EXPECT_EQ(g_services, services_.get());
    EXPECT_EQ(services_->ExpertCount(), 1u);
    EXPECT_EQ(services_->ReleaseExperts(), !extra);
    EXPECT_EQ(g_destroyed, !extra);
    EXPECT_TRUE(g_terminated);
    EXPECT_EQ(services_->ExpertCount(), 0u);
    if (extra) {
      EXPECT_EQ(g_expert->Release(), 0);
    }
    EXPECT_TRUE(g_destroyed);
  }
}

}  // namespace
}  // namespace polyverb
