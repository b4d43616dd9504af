#include "project/FormFile.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/Error.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

std::vector<std::string> FormFilesUnderTest() {
  std::vector<std::string> paths;
  for (const std::string& name : testing::ListDirectory(POLYVERB_PROJECT_DATA))
    if (name.ends_with(".dfm") || name.ends_with(".lfm"))
      paths.push_back(std::string(POLYVERB_PROJECT_DATA) + "/" + name);
  for (const char* name : {"Main.dfm", "About.dfm"})
    paths.push_back(std::string(POLYVERB_DEMO_DIR) + "/" + name);
  for (const char* name : {"MainForm.lfm", "AboutForm.lfm"})
    paths.push_back(std::string(POLYVERB_LAZARUS_DIR) + "/" + name);
  return paths;
}

class FormRoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FormRoundTripTest, UnchangedFormIsWrittenBackByteForByte) {
  const std::string bytes = testing::ReadBytes(GetParam());
  const FormFile form = FormFile::Parse(bytes, GetParam());
  EXPECT_FALSE(form.Modified());
  EXPECT_EQ(form.Write(), bytes);
}

TEST_P(FormRoundTripTest, NewComponentParsesBackAndKeepsTheRestOfTheText) {
  const std::string bytes = testing::ReadBytes(GetParam());
  FormFile form = FormFile::Parse(bytes, GetParam());
  const std::size_t before = form.Components().size();
  form.CreateComponent("TvMLang", 2, 2).SetStringProperty("LangFileName", "English");
  const std::string written = form.Write();

  const FormFile again = FormFile::Parse(written, GetParam());
  ASSERT_EQ(again.Components().size(), before + 1);
  const FormObject& added = *again.Root().Children().back();
  EXPECT_EQ(added.ClassName(), "TvMLang");
  EXPECT_EQ(added.StringProperty("LangFileName"), "English");
  if (form.Format() != FormFormat::kText) return;  // BinaryForm_test checks those
  // Taking the new object's lines out again gives the original bytes.
  const std::string& eol = form.LineEnd();
  const std::string block = "  object vMLang1: TvMLang" + eol + "    LangFileName = 'English'" +
                            eol + "    Left = 2" + eol + "    Top = 2" + eol + "  end" + eol;
  std::string without = written;
  const std::size_t at = without.find(block);
  ASSERT_NE(at, std::string::npos);
  without.erase(at, block.size());
  EXPECT_EQ(without, bytes);
}

std::string FileStem(const ::testing::TestParamInfo<std::string>& info) {
  std::string stem = info.param.substr(info.param.rfind('/') + 1);
  stem = stem.substr(0, stem.find('.'));
  return stem + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(EveryFormFile, FormRoundTripTest,
                         ::testing::ValuesIn(FormFilesUnderTest()), FileStem);

TEST(FormFileTest, ReadsNestedObjectsAndValues) {
  const FormFile form = FormFile::Read(std::string(POLYVERB_PROJECT_DATA) + "/nested.dfm");
  const FormObject& root = form.Root();
  EXPECT_EQ(root.Name(), "frmOrders");
  EXPECT_EQ(root.ClassName(), "TfrmOrders");
  std::vector<std::string> names;
  for (const FormObject* c : form.Components()) names.push_back(c->Name() + ":" + c->ClassName());
  EXPECT_EQ(names, (std::vector<std::string>{"pnlTop:TPanel", "lblFind:TLabel", "edFind:TEdit",
                                             "grdOrders:TDBGrid", "tmrRefresh:TTimer",
                                             "chtSales:TChart"}));

  const FormValue& style = root.FindProperty("font.style")->Value();
  EXPECT_EQ(style.kind, FormValueKind::kSet);
  EXPECT_EQ(style.elements, (std::vector<std::string>{"fsBold", "fsItalic"}));
  EXPECT_TRUE(root.FindProperty("Anchors")->Value().elements.empty());
  EXPECT_EQ(root.FindProperty("Font.Height")->Value().text, "-11");
  EXPECT_EQ(root.FindProperty("Font.Height")->Value().kind, FormValueKind::kInteger);
  EXPECT_EQ(root.StringProperty("Font.Name"), "MS Sans Serif");
  EXPECT_EQ(root.StringProperty("Color"), std::nullopt);  // an identifier, not a string

  const FormObject& chart = *root.Children().back();
  for (const char* name : {"Scale", "Ratio", "Big", "Price", "Stamp"})
    EXPECT_EQ(chart.FindProperty(name)->Value().kind, FormValueKind::kFloat) << name;
  EXPECT_EQ(chart.FindProperty("Mask")->Value().kind, FormValueKind::kInteger);
  EXPECT_EQ(root.Children()[1]->FindProperty("DataSource")->Value().text, "dmOrders.dsOrders");
}

TEST(FormFileTest, ObjectsInsideAnInlineFrameBelongToTheFrame) {
  const FormFile form = FormFile::Read(std::string(POLYVERB_PROJECT_DATA) + "/frame.dfm");
  std::vector<std::string> names;
  for (const FormObject* c : form.Components()) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"fraAddress", "btnPrint"}));
  EXPECT_EQ(form.Root().Children()[0]->Kind(), FormObjectKind::kInline);
  EXPECT_EQ(form.Root().Children()[0]->Children()[0]->Kind(), FormObjectKind::kInherited);
}

TEST(FormFileTest, ReadsInheritedObjectsWithIndex) {
  const FormFile form = FormFile::Read(std::string(POLYVERB_PROJECT_DATA) + "/inherited.dfm");
  EXPECT_EQ(form.Root().Kind(), FormObjectKind::kInherited);
  EXPECT_EQ(form.LineEnd(), "\r\n");
  const FormObject& ok = *form.Root().Children()[0]->Children()[0];
  EXPECT_EQ(ok.Name(), "btnOK");
  EXPECT_EQ(ok.Index(), "0");
  EXPECT_EQ(form.Components().size(), 5u);
}

TEST(FormFileTest, ReadsCollectionsListsAndBinaryData) {
  const FormFile report = FormFile::Read(std::string(POLYVERB_PROJECT_DATA) + "/collection.dfm");
  const FormValue& columns = report.Root().Children()[0]->FindProperty("Columns")->Value();
  ASSERT_EQ(columns.kind, FormValueKind::kCollection);
  ASSERT_EQ(columns.collection.size(), 3u);
  EXPECT_EQ(columns.collection[1].properties[1].Value().text, "Price");
  EXPECT_TRUE(columns.collection[2].properties.empty());
  const FormValue& panels = report.Root().Children()[1]->FindProperty("Panels")->Value();
  EXPECT_EQ(panels.collection[1].index, "3");
  EXPECT_TRUE(report.Root().Children()[0]->FindProperty("Groups")->Value().collection.empty());

  const FormFile logo = FormFile::Read(std::string(POLYVERB_PROJECT_DATA) + "/binary.dfm");
  const FormValue& picture = logo.Root().Children()[0]->FindProperty("Picture.Data")->Value();
  EXPECT_EQ(picture.kind, FormValueKind::kBinary);
  EXPECT_EQ(picture.text.size(), 3 * 64u + 4u);
  EXPECT_EQ(logo.Root().Children()[1]->FindProperty("Glyph.Data")->Value().text, "0A0B0C0D");

  const FormFile texts = FormFile::Read(std::string(POLYVERB_PROJECT_DATA) + "/strings.dfm");
  const FormValue& lines = texts.Root().Children()[0]->FindProperty("Lines.Strings")->Value();
  ASSERT_EQ(lines.kind, FormValueKind::kList);
  std::vector<std::string> items;
  for (const FormValue& v : lines.items) items.push_back(v.text);
  EXPECT_EQ(items,
            (std::vector<std::string>{
                "First line",
                "A very long line that the designer broke into pieces so that no line of the "
                "form file grows too long; it carries on here and ends here.",
                "", "Tab\tseparated", "AB"}));
}

struct StringCase {
  std::string_view written;  // a value as it stands in a form file
  std::string decoded;
};

class FormStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(FormStringTest, DecodesQuotesCodesAndContinuations) {
  const std::string text = "object A: TA\n  S = " + std::string(GetParam().written) + "\nend\n";
  EXPECT_EQ(FormFile::Parse(text, "t.dfm").Root().StringProperty("S"), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormStringTest,
    ::testing::Values(StringCase{"''", ""}, StringCase{"'It''s'", "It's"}, StringCase{"''''", "'"},
                      StringCase{"'a'#13#10'b'", "a\r\nb"}, StringCase{"#$41#66", "AB"},
                      StringCase{"'x' +\n    'y' + 'z'", "xyz"},
                      StringCase{"'Gr'#252#223'e'",
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e"},
                      StringCase{"#8364", "\xE2\x82\xAC"},
                      StringCase{"#55357#56832", "\xF0\x9F\x98\x80"},  // a surrogate pair
                      StringCase{"#55357'a'",
                                 "\xEF\xBF\xBD"
                                 "a"},                       // a lone high surrogate
                      StringCase{"'caf\xE9'", "caf\xE9"}));  // quoted bytes as they are

class LfmStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(LfmStringTest, ReadsUtf8LiteralsBytesAndCodesAsUtf8) {
  const std::string text = "object A: TA\n  S = " + std::string(GetParam().written) + "\nend\n";
  EXPECT_EQ(FormFile::Parse(text, "t.lfm").Root().StringProperty("S"), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LfmStringTest,
    ::testing::Values(StringCase{"'caf\xC3\xA9'", "caf\xC3\xA9"},  // as the Lazarus IDE writes
                      StringCase{"'caf'#195#169", "caf\xC3\xA9"},  // a byte per code
                      StringCase{"'caf'#233", "caf\xC3\xA9"},      // a UTF-16 code
                      StringCase{"#195#169#8364", "\xC3\x83\xC2\xA9\xE2\x82\xAC"},  // codes
                      StringCase{"'a'#13#10'b'", "a\r\nb"},
                      StringCase{"#55357#56832", "\xF0\x9F\x98\x80"},
                      StringCase{"'caf\xE9'", "caf\xC3\xA9"}));  // an older Windows-1252 .lfm

struct QuoteCase {
  std::string value;
  std::string_view quoted;
};

class QuoteFormStringTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteFormStringTest, QuotesAsTheFormatDoes) {
  EXPECT_EQ(QuoteFormString(GetParam().value), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(Values, QuoteFormStringTest,
                         ::testing::Values(QuoteCase{"", "''"}, QuoteCase{"English", "'English'"},
                                           QuoteCase{"It's", "'It''s'"}, QuoteCase{"'", "''''"},
                                           QuoteCase{"a\r\nb", "'a'#13#10'b'"},
                                           QuoteCase{"\t", "#9"},
                                           QuoteCase{std::string("a\0b", 3), "'a'#0'b'"},
                                           QuoteCase{"\x7F", "#127"},
                                           QuoteCase{"Gr\xC3\xBC\xC3\x9F"
                                                     "e",
                                                     "'Gr'#252#223'e'"},  // UTF-8
                                           QuoteCase{"Gr\xFC\xDF"
                                                     "e",
                                                     "'Gr'#252#223'e'"},      // Windows-1252
                                           QuoteCase{"\x80 5", "#8364' 5'"},  // 1252's euro sign
                                           QuoteCase{"\xE2\x82\xAC", "#8364"},
                                           QuoteCase{"\xF0\x9F\x98\x80!", "#55357#56832'!'"}));

TEST(FormFileTest, LfmStringsAreWrittenAsUtf8Literals) {
  EXPECT_EQ(QuoteFormString("caf\xC3\xA9 \xE2\x82\xAC", FormFileKind::kLfm),
            "'caf\xC3\xA9 \xE2\x82\xAC'");
  EXPECT_EQ(QuoteFormString("Gr\xFC\xDF", FormFileKind::kLfm), "'Gr\xC3\xBC\xC3\x9F'");
  EXPECT_EQ(QuoteFormString("It's\r\n\x7F", FormFileKind::kLfm), "'It''s'#13#10#127");

  const std::string path = std::string(POLYVERB_PROJECT_DATA) + "/encodings.lfm";
  const std::string bytes = testing::ReadBytes(path);
  FormFile form = FormFile::Parse(bytes, path);
  EXPECT_EQ(form.Kind(), FormFileKind::kLfm);
  const FormObject& label = *form.Root().Children()[0];
  EXPECT_EQ(label.StringProperty("Caption"),
            "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
            "e");
  form.Root().SetStringProperty("Caption", "Caf\xC3\xA9 \xE2\x82\xAC");
  std::string expected = bytes;
  expected.replace(expected.find("'Caf\xC3\xA9'"), 7, "'Caf\xC3\xA9 \xE2\x82\xAC'");
  EXPECT_EQ(form.Write(), expected);
}

constexpr std::string_view kForm =
    "object frmMain: TfrmMain\n"
    "  Caption = 'Shop'\n"
    "  object btnAdd: TButton\n"
    "    Left = 16\n"
    "  end\n"
    "end\n";

TEST(FormFileTest, NewComponentIsWrittenAsTheDesignerWritesIt) {
  FormFile form = FormFile::Parse(kForm, "Main.dfm");
  FormObject& lang = form.CreateComponent("TvMLang", 2, 2);
  EXPECT_EQ(lang.Name(), "vMLang1");
  lang.SetStringProperty("LangFileName", "English");
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(form.Write(),
            "object frmMain: TfrmMain\n"
            "  Caption = 'Shop'\n"
            "  object btnAdd: TButton\n"
            "    Left = 16\n"
            "  end\n"
            "  object vMLang1: TvMLang\n"
            "    LangFileName = 'English'\n"
            "    Left = 2\n"
            "    Top = 2\n"
            "  end\n"
            "end\n");
  ASSERT_EQ(form.NewComponents().size(), 1u);
  EXPECT_EQ(form.NewComponents()[0], &lang);
}

TEST(FormFileTest, NewComponentUsesTheFilesLineEndsAndIndentation) {
  FormFile form =
      FormFile::Parse("  object F: TF\r\n    object B: TB\r\n    end\r\n  end\r\n", "crlf.dfm");
  form.CreateComponent("TvMLang", 2, 2).SetStringProperty("LangFileName", "Deutsch");
  EXPECT_EQ(form.Write(),
            "  object F: TF\r\n    object B: TB\r\n    end\r\n"
            "    object vMLang1: TvMLang\r\n      LangFileName = 'Deutsch'\r\n"
            "      Left = 2\r\n      Top = 2\r\n    end\r\n"
            "  end\r\n");
}

TEST(FormFileTest, NamesNewComponentsUniquelyInTheWholeForm) {
  FormFile form = FormFile::Parse(
      "object F: TF\n  object P: TPanel\n    object VMLANG1: TvMLang\n    end\n  end\nend\n",
      "f.dfm");
  EXPECT_EQ(form.CreateComponent("TvMLang", 2, 2).Name(), "vMLang2");
  EXPECT_EQ(form.CreateComponent("TvMLang", 2, 2).Name(), "vMLang3");
  EXPECT_EQ(form.CreateComponent("Label", 0, 0).Name(), "Label1");  // no leading T to drop
  EXPECT_EQ(form.CreateComponent("T", 0, 0).Name(), "T1");
  EXPECT_EQ(testing::ErrorOf([&] { form.CreateComponent("T x", 0, 0); }),
            "Cannot create a component of class 'T x': not a class name");
}

TEST(FormFileTest, NamesAlsoTakenElsewhereAreAvoided) {
  FormFile form = FormFile::Parse("object F: TF\nend\n", "f.dfm");
  const std::string taken[] = {"vmlang1", "vMLang2"};
  EXPECT_EQ(form.CreateComponent("TvMLang", 2, 2, taken).Name(), "vMLang3");
}

// A property of an inherited component is set on an `inherited` object of its own,
// inside those of its holders, each found or added once.
TEST(FormFileTest, InheritedObjectIsFoundOrAddedInsideItsHolders) {
  FormFile form = FormFile::Parse(
      "inherited F: TF\n  inherited pnl: TPanel\n    Left = 1\n  end\n  object btn: TButton\n"
      "  end\nend\n",
      "f.dfm");
  const std::pair<std::string, std::string> holders[] = {{"PNL", "TPanel"}, {"grp", "TGroupBox"}};
  form.InheritedObject(holders, "lbl", "TLabel").SetStringProperty("Caption", "Hi");
  EXPECT_EQ(&form.InheritedObject(holders, "LBL", "TLabel"),
            form.Root().Children()[0]->Children()[0]->Children()[0].get());
  EXPECT_EQ(
      form.Write(),
      "inherited F: TF\n  inherited pnl: TPanel\n    Left = 1\n"
      "    inherited grp: TGroupBox\n      inherited lbl: TLabel\n"
      "        Caption = 'Hi'\n      end\n    end\n  end\n  object btn: TButton\n  end\nend\n");
  EXPECT_EQ(testing::ErrorOf([&] { form.InheritedObject({}, "btn", "TButton"); }),
            "Component btn is declared anew in a form that inherits a component of that name");
  EXPECT_EQ(testing::ErrorOf([&] { form.InheritedObject({}, "pnl", "TEdit"); }),
            "Component pnl has class TPanel in the form but TEdit in its ancestor");
}

TEST(FormFileTest, SetStringPropertyChangesOnlyThatProperty) {
  FormFile form = FormFile::Parse(
      "object F: TF\n  Caption='Old'   \n  object L: TvMLang\n    Left = 2\n    Top = 2\n  "
      "end\nend\n",
      "f.dfm");
  form.Root().SetStringProperty("caption", "It's new\n");
  form.Root().Children()[0]->SetStringProperty("LangFileName", "English");
  form.Root().SetStringProperty("Hint", "h");
  EXPECT_EQ(
      form.Write(),
      "object F: TF\n  Caption = 'It''s new'#10   \n  Hint = 'h'\n"
      "  object L: TvMLang\n    LangFileName = 'English'\n    Left = 2\n    Top = 2\n  end\nend\n");
  EXPECT_EQ(FormFile::Parse(form.Write(), "f.dfm").Root().StringProperty("Caption"), "It's new\n");
}

TEST(FormFileTest, ChangedContinuedStringBecomesOneLine) {
  FormFile form = FormFile::Parse(
      "object F: TF\r\n  Hint = 'a' +\r\n    'b'  \r\n  Tag = 1\r\nend\r\n", "f.dfm");
  form.Root().SetStringProperty("Hint", "c");
  EXPECT_EQ(form.Write(), "object F: TF\r\n  Hint = 'c'  \r\n  Tag = 1\r\nend\r\n");
}

TEST(FormFileTest, NewLinesStartOnALineOfTheirOwn) {
  FormFile form = FormFile::Parse("object F: TF object B: TB end end", "one_line.dfm");
  form.CreateComponent("TvMLang", 2, 2);
  EXPECT_EQ(form.Write(),
            "object F: TF object B: TB end\r\n"
            "  object vMLang1: TvMLang\r\n    Left = 2\r\n    Top = 2\r\n  end\r\n end");
  EXPECT_EQ(FormFile::Parse(form.Write(), "x").Components().size(), 2u);
}

struct ErrorCase {
  std::string text;
  std::string_view message;
};

class FormErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(FormErrorTest, NamesFileLineAndDefect) {
  EXPECT_EQ(testing::ErrorOf([] { FormFile::Parse(GetParam().text, "Main.dfm"); }),
            GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormErrorTest,
    ::testing::Values(
        ErrorCase{"",
                  "Form file Main.dfm, line 1: expected 'object', 'inherited' or 'inline', found "
                  "the end of the file"},
        ErrorCase{
            "object F: TF\n  Left = 1\n",
            "Form file Main.dfm, line 3: expected 'end' of object F, found the end of the file"},
        ErrorCase{"object F: TF\n  Caption = 'abc\nend\n",
                  "Form file Main.dfm, line 2: unterminated string"},
        ErrorCase{"object F: TF\n  S = 'a' +\n  X = 1\nend",
                  "Form file Main.dfm, line 3: expected a string after '+', found 'X'"},
        ErrorCase{"object F: TF\r\n  D = {0A0\r\n}\r\nend",
                  "Form file Main.dfm, line 2: binary data with an odd number of hex digits"},
        ErrorCase{"object F: TF\n  D = {0AZZ}\nend",
                  "Form file Main.dfm, line 2: invalid character in binary data"},
        ErrorCase{"object F: TF\n  D = {0A0B",
                  "Form file Main.dfm, line 2: binary data not closed with '}'"},
        ErrorCase{"object F: TF\n  object B: TB\n  end\n  Left = 1\nend",
                  "Form file Main.dfm, line 4: property Left after the child objects of object F"},
        ErrorCase{"object F: TF\nend\nobject G: TG\nend",
                  "Form file Main.dfm, line 3: expected the end of the file after the root "
                  "object's 'end', found 'object'"},
        ErrorCase{std::string("object F: TF\n\0", 14),
                  "Form file Main.dfm, line 2: a NUL byte; this is not a text form file"},
        ErrorCase{"object F: TF\n  Left = 12px\nend",
                  "Form file Main.dfm, line 2: invalid number '12p'"},
        ErrorCase{"object F: TF\n  Left =\nend",
                  "Form file Main.dfm, line 3: expected a value, found 'end'"},
        ErrorCase{"object F: TF\n  S = #99999\nend",
                  "Form file Main.dfm, line 2: character code #99999... is out of range"},
        ErrorCase{"object F: TF\n  A = [x y]\nend",
                  "Form file Main.dfm, line 2: expected ']', found 'y'"},
        ErrorCase{"object F: TF\n  L = ('a'\nend",
                  "Form file Main.dfm, line 3: list not closed with ')'"},
        ErrorCase{"object F: TF\n  C = <x>\nend",
                  "Form file Main.dfm, line 2: expected 'item' or '>', found 'x'"},
        ErrorCase{"object F: TF\n  ! = 1\nend",
                  "Form file Main.dfm, line 2: unexpected character '!'"}));

TEST(FormFileTest, RefusesDeepNesting) {
  std::string text = "object F: TF\n  L = ";
  for (int i = 0; i < 1000; ++i) text += "(";
  EXPECT_EQ(testing::ErrorOf([&] { FormFile::Parse(text, "deep.dfm"); }),
            "Form file deep.dfm, line 2: nested too deeply");
}

TEST(FormFileTest, SavesAtomicallyAndFindsTheFormFileInAnyCase) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "Main.DFM", kForm);
  const auto found = FindFormFile(dir / "Main.pas");
  ASSERT_EQ(found, dir / "Main.DFM");
  EXPECT_EQ(FindFormFile(dir / "Other.pas"), std::nullopt);

  FormFile form = FormFile::Read(*found);
  form.CreateComponent("TvMLang", 2, 2);
  form.Save(*found);
  EXPECT_EQ(testing::ReadBytes(*found), form.Write());
  EXPECT_EQ(testing::ErrorOf([&] { FormFile::Read(dir / "none.dfm"); }),
            "Cannot open file " + dir / "none.dfm" + ": No such file or directory");
}

}  // namespace
}  // namespace polyverb
