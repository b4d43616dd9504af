// polyverb-ide --yes over the real Delphi projects of the corpus (text, binary and
// inherited forms). Per form: its group in the language file holds its texts, found here
// by walking the form files on their own; the binary forms still read in Free Pascal's
// converter; each form hierarchy holds one TvMLang.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "platform/Bytes.h"
#include "project/FormFamily.h"
#include "project/FormFile.h"
#include "project/ProjectFile.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

struct CorpusProject {
  std::string name;
  std::string root;  // copied whole: a project may use units above its own folder
  std::string dpr;   // below root
  int forms;         // form modules the project lists
};

void PrintTo(const CorpusProject& p, std::ostream* os) {
  *os << p.name;
}

// The value at `path` (Name.Name.Property, List, Coll[i].Prop) in the form's levels, the
// form's own file first: an independent reading of what the group's items point at.
std::optional<std::string> ValueAt(const std::vector<const FormFile*>& levels,
                                   const std::string& path) {
  auto find_object = [](auto& self, const FormObject& in,
                        std::string_view name) -> const FormObject* {
    for (const auto& child : in.Children()) {
      if (SameTextAscii(child->Name(), name)) return child.get();
      if (const FormObject* deeper = self(self, *child, name)) return deeper;
    }
    return nullptr;
  };
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    const FormObject* object = &(*level)->Root();
    std::string rest = path;
    for (std::size_t dot; (dot = rest.find('.')) != std::string::npos;) {
      const FormObject* next = find_object(find_object, *object, rest.substr(0, dot));
      if (next == nullptr) break;
      object = next;
      rest = rest.substr(dot + 1);
    }
    std::vector<FormProperty> properties = object->Properties();
    if (const std::size_t bracket = rest.find('['); bracket != std::string::npos) {
      const FormProperty* collection = object->FindProperty(rest.substr(0, bracket));
      if (collection == nullptr) continue;
      const std::size_t index = std::stoul(rest.substr(bracket + 1));
      properties = collection->Value().collection.at(index).properties;
      rest = rest.substr(rest.find("].") + 2);
    }
    for (const FormProperty& p : properties) {
      if (SameTextAscii(p.Name(), rest) && p.Value().kind == FormValueKind::kString)
        return p.Value().text;
      if (SameTextAscii(p.Name(), rest + ".Strings")) {
        std::string joined;
        const std::vector<FormValue>& items = p.Value().items;
        for (std::size_t i = 0; i < items.size(); ++i)
          joined += (i > 0 ? "\r\n" : "") + items[i].text;
        return joined;
      }
    }
  }
  return std::nullopt;
}

class CorpusTest : public ::testing::TestWithParam<CorpusProject> {
 protected:
  // Free Pascal's converter for the binary forms, built once.
  static void SetUpTestSuite() {
#ifdef FPC_BIN
    fpc_tools = testing::BuildPascalTool(FPC_BIN, POLYVERB_FPC_TOOLS "/formtotext.pas").release();
#endif
  }
  static void TearDownTestSuite() {
    delete fpc_tools;
  }

  void SetUp() override {
    if (!fs::is_directory(POLYVERB_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " POLYVERB_CORPUS_DIR;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
    fs::copy(fs::path(POLYVERB_CORPUS_DIR) / GetParam().root, copy_, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(copy_))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
  }

  static testing::TempDir* fpc_tools;
  testing::TempDir dir_;
  const std::string copy_ = dir_ / "project";
};
testing::TempDir* CorpusTest::fpc_tools = nullptr;

TEST_P(CorpusTest, EveryFormTextIsInItsGroupAndEveryFormStillReads) {
  const std::string dpr = copy_ + "/" + GetParam().dpr;
  const auto ide = testing::RunTool(POLYVERB_IDE, {"--yes", fs::path(dpr).filename().string()},
                                    fs::path(dpr).parent_path().string());
  ASSERT_EQ(ide.exit_code, 0) << ide.out << ide.err;

  const ProjectFile project(dpr);
  const FormCatalog catalog(project.Files());
  ASSERT_EQ(catalog.Forms().size(), static_cast<std::size_t>(GetParam().forms));
  const auto lang = TvLangFileEdit::ReadExisting(project.Directory() + "/english.lng");
  auto entry = [&](int number) -> std::string {
    for (const TvIdentRec& rec : lang->Idents())
      if (rec.Number == number) return std::string(rec.Text);
    return "<no entry " + std::to_string(number) + ">";
  };

  for (const CatalogForm& form : catalog.Forms()) {
    SCOPED_TRACE(form.form_path);
    const FormFile own = FormFile::Read(form.form_path);
    const std::vector<FormFile> ancestors = catalog.Ancestors(form.form_path, own);
    const std::vector<const FormFile*> levels = FormLevels(ancestors, own);

    // Every item points at its text; every Caption and Hint with a letter has an item.
    const TvLangProps::Group* group = lang->Props().FindGroup(form.class_name);
    std::vector<std::string> paths;
    for (const auto& item : group != nullptr ? group->items : std::vector<TvLangProps::Item>{}) {
      EXPECT_EQ(ValueAt(levels, item.Text).value_or("<nothing at the path>"), entry(item.value))
          << item.Text;
      paths.push_back(AsciiLowerCase(item.Text));
    }
    for (const FormObject* c : own.Components()) {
      for (const char* name : {"Caption", "Hint"}) {
        const std::optional<std::string> text = c->StringProperty(name);
        if (!text || c->Name().empty() || !std::any_of(text->begin(), text->end(), IsAsciiLetter))
          continue;
        EXPECT_NE(std::find(paths.begin(), paths.end(), AsciiLowerCase(c->Name() + "." + name)),
                  paths.end())
            << c->Name() << "." << name;
      }
    }

    // One TvMLang in the hierarchy, declared anew once.
    int declared = 0;
    for (const FormFile* level : levels)
      for (const FormObject* c : level->Components())
        declared += c->ClassName() == "TvMLang" && c->Kind() == FormObjectKind::kObject;
    EXPECT_EQ(declared, 1);

    if (own.Format() != FormFormat::kText && fpc_tools != nullptr) {
      const auto fpc = testing::RunTool(fpc_tools->path() + "/formtotext", {form.form_path});
      EXPECT_EQ(fpc.exit_code, 0) << fpc.err;
      EXPECT_NE(fpc.out.find("  object vMLang1: TvMLang\n    LangFileName = 'English'\n"),
                std::string::npos);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Projects, CorpusTest,
    ::testing::Values(
        CorpusProject{"vied", "delphi-text/vied", "Source/VIEd.dpr", 18},
        CorpusProject{"pashi", "delphi-text/pashi", "Src/GUI/PasHiGUI.dpr", 6},
        CorpusProject{"msgdlg", "delphi-text/msgdlg", "Demo/PJMessageDialogDemo.dpr", 1},
        CorpusProject{"envvars", "delphi-binary/envvars-demo", "article-06/TestEnvVars.dpr", 3},
        CorpusProject{"payload_reader", "delphi-binary/payload-demo", "article-07/Reader.dpr", 1},
        CorpusProject{"payload_writer", "delphi-binary/payload-demo", "article-07/Writer.dpr", 1}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace polyverb
