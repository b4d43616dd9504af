#include "project/FormTexts.h"

#include <gtest/gtest.h>

#include "langfile/LangFileEdit.h"
#include "project/FormFile.h"
#include "tests/testing/ErrorOf.h"

namespace polyverb {
namespace {

using Texts = std::vector<std::pair<std::string, std::string>>;

Texts Collect(std::initializer_list<std::string_view> levels,
              const FormTextProps& props = FormTextProps::Default()) {
  std::vector<FormFile> forms;
  for (std::string_view text : levels) forms.push_back(FormFile::Parse(text, "F.dfm"));
  std::vector<const FormFile*> pointers;
  for (const FormFile& f : forms) pointers.push_back(&f);
  Texts texts;
  for (const FormTextItem& item : CollectFormTexts(pointers, props, "F.dfm").items)
    texts.emplace_back(item.path, item.text);
  return texts;
}

constexpr std::string_view kMain =
    "object frmMain: TfrmMain\n  Caption = 'Shop'#233\n  Hint = '12'\n  Font.Name = 'Arial'\n"
    "  object pnlTop: TPanel\n    Caption = ''\n"
    "    object lblTotal: TLabel\n      Caption = 'Total'\n      Hint = 'Sum|of all'\n    end\n"
    "  end\n"
    "  object lbFruit: TListBox\n    Items.Strings = (\n      'Apple'\n      'Pear')\n"
    "    Tabs.Strings = ('One')\n  end\n"
    "  object edName: TLabeledEdit\n    EditLabel.Caption = 'Name'\n    Text = 'x'\n  end\n"
    "  object StatusBar1: TStatusBar\n    Panels = <\n      item\n        Width = 50\n      end\n"
    "      item\n        Text = 'Online'\n      end>\n  end\n"
    "  inline frmOptions1: TfrmOptions\n    object pnl: TPanel\n"
    "      object lblTitle: TLabel\n        Caption = 'Options'\n      end\n    end\n  end\n"
    "end\n";

TEST(CollectFormTextsTest, TakesTheListedPropertiesOfTheFormAndEveryComponentInFileOrder) {
  EXPECT_EQ(Collect({kMain}), (Texts{{"Caption", "Shop\xC3\xA9"},
                                     {"lblTotal.Caption", "Total"},
                                     {"lblTotal.Hint", "Sum|of all"},
                                     {"lbFruit.Items", "Apple\r\nPear"},
                                     {"edName.EditLabel.Caption", "Name"},
                                     {"edName.Text", "x"},
                                     {"StatusBar1.Panels[1].Text", "Online"},
                                     {"frmOptions1.lblTitle.Caption", "Options"}}));
}

TEST(CollectFormTextsTest, FormPropsAddAndRemoveNames) {
  FormTextProps props = FormTextProps::Default();
  props.Change("+Tabs,-hint,Font.Name,-Text,-Caption,-Items,-EditLabel.Caption");
  EXPECT_EQ(Collect({kMain}, props), (Texts{{"Font.Name", "Arial"}, {"lbFruit.Tabs", "One"}}));
  for (std::string_view bad : {"+", "Tabs,,Hint", "-1x", "Font..Name"})
    EXPECT_EQ(testing::ErrorOf([&] { props.Change(bad); }).substr(0, 1), "'") << bad;
}

TEST(CollectFormTextsTest, InheritedFormHoldsItsAncestorsTextsFirstAndItsOwnValues) {
  const std::string_view base =
      "object frmBase: TfrmBase\n"
      "  Caption = 'Base'\n"
      "  object lblTitle: TLabel\n    Caption = 'Title'\n  end\n"
      "  object lblFooter: TLabel\n    Caption = 'Footer'\n  end\n"
      "  object lblGone: TLabel\n    Caption = 'Gone'\n  end\n"
      "  object bar: TStatusBar\n"
      "    Panels = <\n      item\n        Text = 'A'\n      end\n"
      "      item\n        Text = 'B'\n      end>\n"
      "  end\n"
      "  inline frm1: TFrame1\n    object lblIn: TLabel\n      Caption = 'In'\n    end\n  end\n"
      "end\n";
  const std::string_view child =
      "inherited frmChild: TfrmChild\n"
      "  inherited lblFooter: TLabel\n    Caption = 'Child footer'\n    Hint = 'New'\n  end\n"
      "  inherited lblGone: TLabel\n    Caption = ''\n  end\n"
      "  inherited bar: TStatusBar\n"
      "    Panels = <\n      item\n        Text = 'C'\n      end>\n"
      "  end\n"
      "  inherited frm1: TFrame1\n    inherited lblIn: TLabel\n      Caption = 'Mine'\n    end\n"
      "  end\n"
      "  object btnOk: TButton\n    Caption = 'OK'\n  end\n"
      "end\n";
  EXPECT_EQ(Collect({base, child}), (Texts{{"Caption", "Base"},
                                           {"lblTitle.Caption", "Title"},
                                           {"lblFooter.Caption", "Child footer"},
                                           {"frm1.lblIn.Caption", "Mine"},
                                           {"lblFooter.Hint", "New"},
                                           {"bar.Panels[0].Text", "C"},
                                           {"btnOk.Caption", "OK"}}));
}

TEST(CollectFormTextsTest, PathsOverTheLanguageFileLimitAreLeftOutWithAWarning) {
  const std::string name(250, 'a');
  const std::string text = "object F: TF\n  object " + name +
                           ": TLabel\n    Caption = 'Long'\n    Hint = 'H'\n  end\nend\n";
  const FormFile form = FormFile::Parse(text, "F.dfm");
  const FormFile* levels[] = {&form};
  const FormTexts texts = CollectFormTexts(levels, FormTextProps::Default(), "F.dfm");
  ASSERT_EQ(texts.items.size(), 1u);
  EXPECT_EQ(texts.items[0].path, name + ".Hint");
  EXPECT_EQ(texts.warnings,
            std::vector<std::string>{"F.dfm: TF: the path " + name.substr(0, 60) +
                                     "... is longer than 255 bytes; its text is not stored"});
}

// ---- Storing ---------------------------------------------------------------------------

using Kind = FormTextChange::Kind;

FormTexts Texts2(std::vector<FormTextItem> items) {
  return FormTexts{"TfrmMain", std::move(items), {}};
}

std::vector<std::pair<std::string, int>> Group(const TvLangFile& file, std::string_view name) {
  std::vector<std::pair<std::string, int>> items;
  if (const auto* group = file.Props().FindGroup(name))
    for (const auto& item : group->items) items.emplace_back(item.Text, item.value);
  return items;
}

std::string TextOf(const TvLangFile& file, int number) {
  for (const TvIdentRec& rec : file.Idents())
    if (rec.Number == number) return std::string(rec.Text);
  return "<none>";
}

TEST(StoreFormTextsTest, RunningAgainReusesTheGroup) {
  auto file = TvLangFileEdit::FromBytes({}, "english.lng");
  file->AddIdent(7, "a literal", 0);
  const FormTextUpdate first = StoreFormTexts(
      *file,
      Texts2({{"Caption", "Shop"}, {"lblTotal.Caption", "Total"}, {"lblGone.Caption", "Gone"}}),
      "Main.dfm");
  EXPECT_EQ(first.Count(Kind::kAdded), 3);
  EXPECT_EQ(Group(*file, "tfrmmain"),
            (std::vector<std::pair<std::string, int>>{
                {"Caption", 8}, {"lblGone.Caption", 10}, {"lblTotal.Caption", 9}}));

  file->MutableProps().Add("TfrmMain", "lblLost.Caption", 99);  // its entry is gone
  const FormTextUpdate again = StoreFormTexts(*file,
                                              Texts2({{"Caption", "Shop"},
                                                      {"LBLTOTAL.caption", "Sum"},
                                                      {"lblLost.Caption", "Lost"},
                                                      {"Hint", "Main window"}}),
                                              "Main.dfm");
  std::vector<std::tuple<Kind, std::string, int>> changes;
  for (const FormTextChange& c : again.changes) changes.emplace_back(c.kind, c.path, c.number);
  EXPECT_EQ(changes, (std::vector<std::tuple<Kind, std::string, int>>{
                         {Kind::kKept, "Caption", 8},
                         {Kind::kChanged, "LBLTOTAL.caption", 9},
                         {Kind::kAdded, "lblLost.Caption", 11},
                         {Kind::kAdded, "Hint", 12},
                         {Kind::kRemoved, "lblGone.Caption", 10}}));
  EXPECT_EQ(Group(*file, "TfrmMain"),
            (std::vector<std::pair<std::string, int>>{
                {"Caption", 8}, {"Hint", 12}, {"lblLost.Caption", 11}, {"lblTotal.Caption", 9}}));
  EXPECT_EQ(TextOf(*file, 9), "Sum");
  EXPECT_EQ(TextOf(*file, 10), "Gone");  // translations are keyed by number: it stays

  StoreFormTexts(*file, Texts2({}), "Main.dfm");
  EXPECT_TRUE(Group(*file, "TfrmMain").empty());
  EXPECT_EQ(file->Props().Count(), 0);
}

TEST(StoreFormTextsTest, NumbersPastTheLimitChangeNothing) {
  auto file = TvLangFileEdit::FromBytes({}, "english.lng");
  file->AddIdent(65535, "last", 0);
  EXPECT_EQ(testing::ErrorOf([&] {
              StoreFormTexts(*file, Texts2({{"Caption", "Shop"}}), "Main.dfm");
            }),
            "Cannot number the 1 new texts of form file Main.dfm: english.lng would pass 65535 as "
            "a number");
  EXPECT_EQ(file->Idents().size(), 1u);
  EXPECT_EQ(file->Props().Count(), 0);
}

}  // namespace
}  // namespace polyverb
