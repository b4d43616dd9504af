#include "langfile/PoFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/Error.h"
#include "tests/langfile/LngBuilder.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using testing::LngBuilder;
using Strings = std::vector<std::pair<uint16_t, std::string>>;

LngBuilder Builder(const Strings& strings) {
  LngBuilder b;
  for (const auto& [number, text] : strings) b.AddString(number, text);
  return b;
}

std::unique_ptr<TvLangFileEdit> Model(const Strings& strings) {
  return TvLangFileEdit::FromBytes(Builder(strings).Bytes(), "/data/english.lng");
}

std::vector<std::string> Texts(const TvLangFile& file) {
  std::vector<std::string> texts;
  for (const TvIdentRec& rec : file.Idents()) texts.emplace_back(rec.Text);
  return texts;
}

// --- Writing strings ------------------------------------------------------------------

struct WrapCase {
  const char* name;
  std::string text;
  std::string expected;
};

void PrintTo(const WrapCase& c, std::ostream* os) {
  *os << c.name;
}

class PoStringTest : public ::testing::TestWithParam<WrapCase> {};

TEST_P(PoStringTest, WritesAsGettextDoes) {
  std::string out;
  AppendPoString(out, "msgid", GetParam().text);
  EXPECT_EQ(out, GetParam().expected);
}

// Expected texts are msgcat's output for the same strings.
INSTANTIATE_TEST_SUITE_P(
    Cases, PoStringTest,
    ::testing::Values(
        WrapCase{"Empty", "", "msgid \"\"\n"},
        WrapCase{"Escapes", "a\"b\\c\td\re\af\bg\fh\vi",
                 "msgid \"a\\\"b\\\\c\\td\\re\\af\\bg\\fh\\vi\"\n"},
        WrapCase{"OtherControlsStayRaw",
                 "a\x01\x7F"
                 "b",
                 "msgid \"a\x01\x7F"
                 "b\"\n"},
        WrapCase{"TrailingNewlineStaysOnOneLine", "Done.\n", "msgid \"Done.\\n\"\n"},
        WrapCase{"SplitAfterEachNewline", "one\ntwo\n\nthree",
                 "msgid \"\"\n\"one\\n\"\n\"two\\n\"\n\"\\n\"\n\"three\"\n"},
        WrapCase{"FitsSeventyNineColumns",
                 "word word word word word word word word word word word word word word w",
                 "msgid \"word word word word word word word word word word word word word "
                 "word w\"\n"},
        WrapCase{"OneColumnMoreStartsEmpty",
                 "word word word word word word word word word word word word word word wo",
                 "msgid \"\"\n\"word word word word word word word word word word word word "
                 "word word wo\"\n"},
        WrapCase{"WrapsAfterSpaces",
                 "word word word word word word word word word word word word word word word "
                 "word word word word word ",
                 "msgid \"\"\n"
                 "\"word word word word word word word word word word word word word word word \"\n"
                 "\"word word word word word \"\n"},
        WrapCase{"NoBreakInsideAWord", std::string(100, 'x'),
                 "msgid \"" + std::string(100, 'x') + "\"\n"},
        WrapCase{"EscapeIsNeverSplit",
                 "x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x abc[\\]def" +
                     std::string(60, 'y'),
                 "msgid \"\"\n\"x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x \"\n"
                 "\"abc[\\\\]def" +
                     std::string(60, 'y') + "\"\n"},
        WrapCase{"HyphenatedWords",
                 "A well-known, long-winded sentence that wraps somewhere around its "
                 "hyphenated-word",
                 "msgid \"\"\n\"A well-known, long-winded sentence that wraps somewhere around "
                 "its \"\n\"hyphenated-word\"\n"},
        WrapCase{
            "WideCharactersCountTwoColumns",
            [] {
              std::string s;
              for (int i = 0; i < 30; ++i) s += "日本語";
              return s;
            }(),
            "msgid \"\"\n"
            "\"日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本\"\n"
            "\"語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日\"\n"
            "\"本語日本語日本語日本語日本語\"\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Reading ----------------------------------------------------------------------------

TEST(ReadPoTest, ReadsWhatTranslatorsToolsWrite) {
  const std::string po =
      "# French translation.\n"
      "#, fuzzy\n"
      "msgid \"\"\n"
      "msgstr \"\"\n"
      "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
      "\n"
      "#. extracted\n"
      "#: Unit1.pas:12\n"
      "msgctxt \"1\"\n"
      "msgid \"Hello\"\n"
      "msgstr \"Bonjour\"\n"
      "\n"
      "#, fuzzy, c-format\n"
      "#| msgctxt \"2\"\n"
      "#| msgid \"Old\"\n"
      "msgctxt \"2\"\n"
      "msgid \"\"\n"
      "\"multi \"\n"
      "\"line\"\n"
      "msgstr \"plu\" \"sieurs\"\n"
      "\n"
      "#, fuzzy\n"
      "#~ msgctxt \"3\"\n"
      "#~ msgid \"Gone\"\n"
      "#~ msgstr \"Parti\"\n"
      "\n"
      "msgctxt \"4\"\n"
      "msgid \"Tab\\there\"\n"
      "msgstr \"\\x41\\101\\\"\\\\\\n\"\n";
  PoCatalog catalog = ReadPo(po, "fr.po");
  ASSERT_EQ(catalog.entries.size(), 4u);
  EXPECT_EQ(catalog.charset, "UTF-8");
  EXPECT_TRUE(catalog.entries[0].IsHeader());
  EXPECT_TRUE(catalog.entries[0].fuzzy);
  EXPECT_EQ(catalog.entries[0].msgstr,
            std::vector<std::string>{"Content-Type: text/plain; charset=UTF-8\n"});

  const PoEntry& hello = catalog.entries[1];
  EXPECT_EQ(hello.msgctxt, "1");
  EXPECT_EQ(hello.msgid, "Hello");
  EXPECT_EQ(hello.msgstr, std::vector<std::string>{"Bonjour"});
  EXPECT_FALSE(hello.fuzzy);
  EXPECT_EQ(hello.line, 9);

  const PoEntry& multi = catalog.entries[2];
  EXPECT_EQ(multi.msgid, "multi line");
  EXPECT_EQ(multi.msgstr, std::vector<std::string>{"plusieurs"});
  EXPECT_TRUE(multi.fuzzy);

  // The fuzzy flag of the obsolete entry belongs to it, not to the next entry.
  const PoEntry& tab = catalog.entries[3];
  EXPECT_EQ(tab.msgctxt, "4");
  EXPECT_EQ(tab.msgid, "Tab\there");
  EXPECT_EQ(tab.msgstr, std::vector<std::string>{"AA\"\\\n"});
  EXPECT_FALSE(tab.fuzzy);
  EXPECT_EQ(tab.line, 27);
}

TEST(ReadPoTest, AcceptsCrLfLinesAndPluralEntries) {
  PoCatalog catalog = ReadPo(
      "msgctxt \"7\"\r\nmsgid \"file\"\r\nmsgid_plural \"files\"\r\n"
      "msgstr[0] \"fichier\"\r\nmsgstr[1] \"fichiers\"\r\n",
      "fr.po");
  ASSERT_EQ(catalog.entries.size(), 1u);
  EXPECT_TRUE(catalog.entries[0].has_plural);
  EXPECT_EQ(catalog.entries[0].msgstr, (std::vector<std::string>{"fichier", "fichiers"}));
}

TEST(ReadPoTest, ConvertsFromTheHeadersCharset) {
  PoCatalog catalog = ReadPo(
      "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n\n"
      "msgctxt \"1\"\nmsgid \"Coffee\"\nmsgstr \"Caf\xE9\"\n",
      "fr.po");
  ASSERT_EQ(catalog.entries.size(), 2u);
  EXPECT_EQ(catalog.charset, "ISO-8859-1");
  EXPECT_EQ(catalog.entries[1].msgstr[0], "Café");
}

struct PoErrorCase {
  const char* name;
  std::string po;
  std::string message;
};

void PrintTo(const PoErrorCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadPoErrorTest : public ::testing::TestWithParam<PoErrorCase> {};

TEST_P(ReadPoErrorTest, NamesFileAndLine) {
  EXPECT_EQ(testing::ErrorOf([&] { ReadPo(GetParam().po, "fr.po"); }), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadPoErrorTest,
    ::testing::Values(
        PoErrorCase{"UnterminatedString", "msgid \"a\nmsgstr \"\"\n",
                    "fr.po:1: end of line within a string"},
        PoErrorCase{"NoMsgstr", "\nmsgid \"a\"\n", "fr.po:2: entry without msgstr"},
        PoErrorCase{"MsgstrFirst", "msgstr \"a\"\n", "fr.po:1: msgstr without msgid"},
        PoErrorCase{"TwoMsgids", "msgid \"a\"\nmsgid \"b\"\n",
                    "fr.po:2: msgid inside an entry (missing msgstr?)"},
        PoErrorCase{"KeywordWithoutString", "msgid \"a\"\nmsgstr\n\nmsgid \"b\"\n",
                    "fr.po:2: msgstr without a string"},
        PoErrorCase{"BadEscape", "msgid \"a\\q\"\nmsgstr \"\"\n",
                    "fr.po:1: invalid escape sequence '\\q' in a string"},
        PoErrorCase{"UnknownKeyword", "msgfoo \"a\"\n", "fr.po:1: unknown keyword 'msgfoo'"},
        PoErrorCase{"StrayString", "\"a\"\n", "fr.po:1: string without a keyword"},
        PoErrorCase{"StrayCharacter", "msgid \"a\" 5\n", "fr.po:1: unexpected character '5'"},
        PoErrorCase{"PluralFormWithoutPlural", "msgid \"a\"\nmsgstr[0] \"b\"\n",
                    "fr.po:2: msgstr[0] without msgid_plural"},
        PoErrorCase{"InvalidUtf8", "\nmsgctxt \"1\"\nmsgid \"a\"\nmsgstr \"\xFF\"\n",
                    "fr.po:2: the entry is not valid UTF-8"},
        PoErrorCase{"UnknownCharset",
                    "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=NOPE\\n\"\n",
                    "fr.po: unknown charset 'NOPE' in the header"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Export -----------------------------------------------------------------------------

std::string Header(std::string_view encoding) {
  return "#, fuzzy\n"
         "msgid \"\"\n"
         "msgstr \"\"\n"
         "\"Project-Id-Version: PACKAGE VERSION\\n\"\n"
         "\"Report-Msgid-Bugs-To: \\n\"\n"
         "\"PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\\n\"\n"
         "\"Last-Translator: FULL NAME <EMAIL@ADDRESS>\\n\"\n"
         "\"Language-Team: LANGUAGE <LL@li.org>\\n\"\n"
         "\"Language: \\n\"\n"
         "\"MIME-Version: 1.0\\n\"\n"
         "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
         "\"Content-Transfer-Encoding: 8bit\\n\"\n"
         "\"X-Polyverb-Language-File: english.lng\\n\"\n"
         "\"X-Polyverb-Encoding: " +
         std::string(encoding) + "\\n\"\n";
}

TEST(ExportPoTemplateTest, OneEntryPerStringInTableOrder) {
  auto file = Model({{7, "Hello"}, {2, "Hello"}, {3, ""}});
  EXPECT_EQ(ExportPoTemplate(*file), Header("UTF-8") +
                                         "\nmsgctxt \"7\"\nmsgid \"Hello\"\nmsgstr \"\"\n"
                                         "\nmsgctxt \"2\"\nmsgid \"Hello\"\nmsgstr \"\"\n"
                                         "\nmsgctxt \"3\"\nmsgid \"\"\nmsgstr \"\"\n");
}

// Form texts tell the translator where they stand; gettext keeps such comments as they are.
TEST(ExportPoTemplateTest, FormTextsNameTheirFormAndPropertyPath) {
  auto file = Model({{1, "Total"}, {2, "Shop"}});
  file->MutableProps().Add("TfrmMain", "lblTotal.Caption", 1);
  file->MutableProps().Add("TfrmAbout", "lblName.Caption", 1);
  file->MutableProps().Add("TfrmMain", "Line\nBreak", 2);  // one comment line all the same
  EXPECT_EQ(ExportPoTemplate(*file), Header("UTF-8") +
                                         "\n#. TfrmAbout: lblName.Caption\n"
                                         "#. TfrmMain: lblTotal.Caption\n"
                                         "msgctxt \"1\"\nmsgid \"Total\"\nmsgstr \"\"\n"
                                         "\n#. TfrmMain: Line Break\n"
                                         "msgctxt \"2\"\nmsgid \"Shop\"\nmsgstr \"\"\n");
  const std::string msgcat = POLYVERB_MSGCAT;
  if (msgcat.empty()) return;
  const testing::TempDir dir;
  testing::WriteBytes(dir / "english.pot", ExportPoTemplate(*file));
  EXPECT_EQ(testing::RunTool(msgcat, {dir / "english.pot"}).out, ExportPoTemplate(*file));
}

TEST(ExportPoTemplateTest, EmptyTableGivesTheHeaderAlone) {
  EXPECT_EQ(ExportPoTemplate(*Model({})), Header("UTF-8"));
}

TEST(ExportPoTemplateTest, OneInvalidUtf8TextMakesTheWholeFileWindows1252) {
  // "\xC3\xA9" alone would be UTF-8 for é; in a Windows-1252 file it is two characters.
  auto file = Model({{1, "\xC3\xA9"}, {2, "caf\xE9 \x80"}});
  EXPECT_EQ(DetectTextEncoding(*file), TextEncoding::kWindows1252);
  EXPECT_EQ(ExportPoTemplate(*file), Header("Windows-1252") +
                                         "\nmsgctxt \"1\"\nmsgid \"Ã©\"\nmsgstr \"\"\n"
                                         "\nmsgctxt \"2\"\nmsgid \"café €\"\nmsgstr \"\"\n");
}

TEST(ExportPoTemplateTest, Refusals) {
  EXPECT_EQ(testing::ErrorOf([] {
              ExportPoTemplate(*Model({{1, "a"}, {5, "b"}, {5, "c"}}));
            }),
            "/data/english.lng: string 5 occurs twice in the string table; PO entries are "
            "keyed by number");
  EXPECT_EQ(testing::ErrorOf([] {
              ExportPoTemplate(*Model({{3,
                                        "a\x04"
                                        "b"}}));
            }),
            "/data/english.lng: the text of string 3 holds the control character U+0004, "
            "which a PO file cannot carry");
  EXPECT_EQ(testing::ErrorOf([] {
              ExportPoTemplate(*Model({{9, "caf\xE9"}}), TextEncoding::kUtf8);
            }),
            "/data/english.lng: the text of string 9 is not valid UTF-8");
}

// --- Import -----------------------------------------------------------------------------

PoCatalog Po(const std::string& entries) {
  return ReadPo("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" + entries,
                "fr.po");
}

TEST(ImportPoTest, TakesTranslationsByNumberAndKeepsTheRest) {
  auto file = Model({{1, "Hello"}, {2, "Bye"}, {3, "Yes"}, {4, "No"}, {5, "Maybe"}});
  PoImportReport report = ImportPo(*file,
                                   Po("msgctxt \"2\"\nmsgid \"Bye\"\nmsgstr \"Au revoir\"\n\n"
                                      "msgctxt \"1\"\nmsgid \"Hello\"\nmsgstr \"Bonjour\"\n\n"
                                      "msgctxt \"3\"\nmsgid \"Yes\"\nmsgstr \"\"\n\n"
                                      "#, fuzzy\nmsgctxt \"4\"\nmsgid \"No\"\nmsgstr \"Non\"\n\n"
                                      "msgctxt \"77\"\nmsgid \"Gone\"\nmsgstr \"Parti\"\n\n"
                                      "msgctxt \"x1\"\nmsgid \"Odd\"\nmsgstr \"Bizarre\"\n\n"
                                      "msgid \"Bare\"\nmsgstr \"Nu\"\n"),
                                   "fr.po");
  EXPECT_EQ(Texts(*file), (std::vector<std::string>{"Bonjour", "Au revoir", "Yes", "No", "Maybe"}));
  EXPECT_EQ(report.strings, 5u);
  EXPECT_EQ(report.translated, 2u);
  EXPECT_EQ(report.empty, 1u);
  EXPECT_EQ(report.fuzzy, 1u);
  EXPECT_EQ(report.missing, 1u);
  EXPECT_EQ(report.warnings,
            (std::vector<std::string>{
                "fr.po:21: warning: /data/english.lng has no string 77; the entry is ignored",
                "fr.po:25: warning: msgctxt \"x1\" is not a string number; the entry is ignored",
                "fr.po:29: warning: an entry without a string number (msgctxt) is ignored"}));
}

TEST(ImportPoTest, WarnsWhenTheSourceTextChanged) {
  auto file = Model({{1, "Hello!"}});
  PoImportReport report =
      ImportPo(*file, Po("msgctxt \"1\"\nmsgid \"Hello\"\nmsgstr \"Bonjour\"\n"), "fr.po");
  EXPECT_EQ(Texts(*file), std::vector<std::string>{"Bonjour"});
  EXPECT_EQ(report.warnings,
            std::vector<std::string>{"fr.po:4: warning: the msgid of string 1 is not its text in "
                                     "/data/english.lng (run msgmerge); the translation is used"});
}

TEST(ImportPoTest, StoresTranslationsInTheNativeFilesEncoding) {
  auto cp1252 = Model({{1, "Caf\xE9"}, {2, "x"}});
  ImportPo(*cp1252,
           Po("msgctxt \"1\"\nmsgid \"Café\"\nmsgstr \"Kaffee €\"\n\n"
              "msgctxt \"2\"\nmsgid \"x\"\nmsgstr \"Œuvre “quoted”\"\n"),
           "de.po");
  EXPECT_EQ(Texts(*cp1252), (std::vector<std::string>{"Kaffee \x80", "\x8Cuvre \x93quoted\x94"}));

  auto utf8 = Model({{1, "Café"}});
  ImportPo(*utf8, Po("msgctxt \"1\"\nmsgid \"Café\"\nmsgstr \"Kaffee €\"\n"), "de.po");
  EXPECT_EQ(Texts(*utf8), std::vector<std::string>{"Kaffee €"});
}

TEST(ImportPoTest, EncodingGivenByTheCallerWins) {
  auto ascii = Model({{1, "Coffee"}});
  ImportPo(*ascii, Po("msgctxt \"1\"\nmsgid \"Coffee\"\nmsgstr \"Café\"\n"), "fr.po",
           TextEncoding::kWindows1252);
  EXPECT_EQ(Texts(*ascii), std::vector<std::string>{"Caf\xE9"});
}

struct ImportErrorCase {
  const char* name;
  Strings native;
  std::string entries;
  std::string message;
};

void PrintTo(const ImportErrorCase& c, std::ostream* os) {
  *os << c.name;
}

class ImportPoErrorTest : public ::testing::TestWithParam<ImportErrorCase> {};

TEST_P(ImportPoErrorTest, FailsAndLeavesTheModelUnchanged) {
  auto file = Model(GetParam().native);
  const std::string before = file->Serialize();
  EXPECT_EQ(testing::ErrorOf([&] { ImportPo(*file, Po(GetParam().entries), "pl.po"); }),
            GetParam().message);
  EXPECT_EQ(file->Serialize(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportPoErrorTest,
    ::testing::Values(
        ImportErrorCase{"CharacterWindows1252Lacks",
                        {{1, "Caf\xE9"}, {2, "Tea"}},
                        "msgctxt \"1\"\nmsgid \"Café\"\nmsgstr \"Kawa\"\n\n"
                        "msgctxt \"2\"\nmsgid \"Tea\"\nmsgstr \"Herbata z cytryną\"\n",
                        "pl.po:8: the translation of string 2 holds U+0105 (ą), which "
                        "Windows-1252 cannot store (/data/english.lng is a Windows-1252 file)"},
        ImportErrorCase{"TwoEntriesForOneNumber",
                        {{1, "Tea"}},
                        "msgctxt \"1\"\nmsgid \"Tea\"\nmsgstr \"Herbata\"\n\n"
                        "msgctxt \"1\"\nmsgid \"Tea\"\nmsgstr \"Czaj\"\n",
                        "pl.po:8: a second entry for string 1 (the first is at line 4)"},
        ImportErrorCase{"PluralEntry",
                        {{1, "file"}},
                        "msgctxt \"1\"\nmsgid \"file\"\nmsgid_plural \"files\"\n"
                        "msgstr[0] \"plik\"\nmsgstr[1] \"pliki\"\n",
                        "pl.po:4: string 1 has plural forms; a language file string has one "
                        "text"},
        ImportErrorCase{"Nul",
                        {{1, "a"}},
                        "msgctxt \"1\"\nmsgid \"a\"\nmsgstr \"b\\0c\"\n",
                        "pl.po:4: the translation of string 1 contains a NUL character, which "
                        "a language file cannot store"},
        // What export refuses, import refuses: its output must export again.
        ImportErrorCase{"TranslationHoldsU0004",
                        {{1, "a"}},
                        "msgctxt \"1\"\nmsgid \"a\"\nmsgstr \"b\x04"
                        "c\"\n",
                        "pl.po:4: the translation of string 1 holds the control character "
                        "U+0004, which a PO file cannot carry"},
        ImportErrorCase{"KeptNativeTextHoldsU0004",
                        {{1,
                          "a\x04"
                          "b"},
                         {2, "x"}},
                        "msgctxt \"2\"\nmsgid \"x\"\nmsgstr \"y\"\n",
                        "/data/english.lng: the text of string 1 holds the control character "
                        "U+0004, which a PO file cannot carry"},
        ImportErrorCase{"NumberTwiceInTheNativeFile",
                        {{1, "a"}, {1, "b"}},
                        "",
                        "/data/english.lng: string 1 occurs twice in the string table; PO "
                        "entries are keyed by number"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportPoTest, EverySectionButTheTextsIsCopied) {
  LngBuilder native;
  native.currency = "EUR";
  native.short_date = "dd.mm.yyyy";
  native.first_long_month = "January";
  native.first_era_offset = -5;
  native.header_word = 0xBEEF;
  native.header_byte = 9;
  native.header_flag = 3;
  native.font_flag = 1;
  native.fonts = {"Arial", "Courier New"};
  native.texts = {"one", "two", "one"};
  native.groups = {{"Form1", {{"Caption", 1}, {"Hint", 2}}}, {"Form2", {{"Text", 3}}}};
  native.AddString(1, "Hello", 11);
  native.AddString(2, "Bye", 22);
  auto file = TvLangFileEdit::FromBytes(native.Bytes(), "english.lng");

  ImportPo(*file, Po("msgctxt \"1\"\nmsgid \"Hello\"\nmsgstr \"Bonjour\"\n"), "fr.po");

  LngBuilder expected = native;
  expected.entries.clear();
  expected.pool.clear();
  expected.AddString(1, "Bonjour", 11);
  expected.AddString(2, "Bye", 22);
  EXPECT_EQ(file->Serialize(), expected.Bytes());
}

// --- With gettext's own tools -------------------------------------------------------------

struct ToolFile {
  const char* name;
  std::function<Strings()> strings;
};

Strings Specials() {
  return {{1, "He said \"hi\""},
          {2, "C:\\dir\\file"},
          {3, "a\tb"},
          {4, "line\r\nnext\r\n"},
          {5, "\n"},
          {6, ""},
          {7, "same"},
          {8, "same"},
          {9, "ends with LF\n"},
          {10, "\r"},
          {11, "  leading and trailing  "}};
}

Strings Windows1252Bytes() {
  std::string all;
  for (int b = 1; b < 256; ++b)
    if (b != 4) all += static_cast<char>(b);
  return {{1, all}, {2, "Caf\xE9 \x80 10"}, {3, "plain ASCII"}};
}

Strings Utf8Texts() {
  return {{1, "Grüße aus Köln"},      {2, "Ελληνικά"},
          {3, "日本語のテキスト"},    {4, "emoji 😀"},
          {5, "combining e\xCC\x81"}, {6, "no-break\xC2\xA0space"}};
}

// Deterministic texts mixing the things line breaking looks at: spaces, punctuation,
// hyphens, slashes, wide and combining characters, escapes and control characters.
Strings RandomTexts(std::size_t count, uint32_t seed) {
  static const std::vector<std::string> kPieces = {"word ",
                                                   "longerword ",
                                                   "x",
                                                   " ",
                                                   " ",
                                                   "-",
                                                   "/",
                                                   ".",
                                                   ",",
                                                   "(x) ",
                                                   "[",
                                                   "]",
                                                   "\"",
                                                   "\\",
                                                   "http://a.b/c ",
                                                   "12.5% ",
                                                   "\t",
                                                   "\n",
                                                   "\r",
                                                   "\x01",
                                                   "\x7F",
                                                   "é",
                                                   "€",
                                                   "—",
                                                   "…",
                                                   "«",
                                                   "»",
                                                   "日",
                                                   "本",
                                                   "。",
                                                   "、",
                                                   "한",
                                                   "Ω",
                                                   "\xCC\x81",
                                                   "\xC2\xA0",
                                                   "\xE2\x80\x8B",
                                                   "😀",
                                                   "\xE2\x80\xA8",
                                                   "\xC2\x85",
                                                   "\xE3\x80\x80",
                                                   "ｱ",
                                                   "１",
                                                   "!",
                                                   "?",
                                                   ":",
                                                   ";"};
  std::mt19937 random(seed);
  static const int kLengths[] = {0, 1, 5, 20, 60, 75, 76, 77, 78, 79, 80, 100, 150, 300};
  Strings strings;
  for (std::size_t i = 0; i < count; ++i) {
    int length = kLengths[random() % std::size(kLengths)];
    std::string text;
    for (int k = 0; k < length; ++k) text += kPieces[random() % kPieces.size()];
    strings.emplace_back(static_cast<uint16_t>(i + 1), text);
  }
  return strings;
}

Strings FullTable() {
  Strings strings;
  for (uint32_t n = 0; n < 65535; ++n)
    strings.emplace_back(static_cast<uint16_t>(n + 1),
                         n % 7 == 0 ? "" : "Text number " + std::to_string(n) + " \"q\"\n");
  return strings;
}

void PrintTo(const ToolFile& c, std::ostream* os) {
  *os << c.name;
}

class GettextToolsTest : public ::testing::TestWithParam<ToolFile> {
 protected:
  testing::TempDir dir_;
};

// The exported template is valid for msgfmt, msgcat leaves it byte for byte as it is, and
// msgen (every msgstr = its msgid) imported back gives the native file byte for byte.
TEST_P(GettextToolsTest, ExportIsGettextsOwnAndRoundTrips) {
  const std::string msgfmt = POLYVERB_MSGFMT, msgcat = POLYVERB_MSGCAT, msgen = POLYVERB_MSGEN;
  if (msgfmt.empty() || msgcat.empty() || msgen.empty())
    GTEST_SKIP() << "gettext tools (Debian package gettext) are not installed";
  const std::string native = Builder(GetParam().strings()).Bytes();
  auto file = TvLangFileEdit::FromBytes(native, "english.lng");
  const std::string pot = dir_ / "english.pot";
  testing::WriteBytes(pot, ExportPoTemplate(*file));

  auto check = testing::RunTool(msgfmt, {"--check", "-o", "/dev/null", pot});
  EXPECT_EQ(check.exit_code, 0) << check.err;

  auto cat = testing::RunTool(msgcat, {pot});
  ASSERT_EQ(cat.exit_code, 0) << cat.err;
  EXPECT_TRUE(cat.out == testing::ReadBytes(pot)) << "msgcat rewrapped the template";

  auto en = testing::RunTool(msgen, {pot, "-o", dir_ / "en.po"});
  ASSERT_EQ(en.exit_code, 0) << en.err;
  auto translated = TvLangFileEdit::FromBytes(native, "english.lng");
  ImportPo(*translated, ReadPo(testing::ReadBytes(dir_ / "en.po"), "en.po"), "en.po");
  EXPECT_TRUE(translated->Serialize() == native);
}

INSTANTIATE_TEST_SUITE_P(
    Files, GettextToolsTest,
    ::testing::Values(ToolFile{"Specials", Specials}, ToolFile{"Windows1252", Windows1252Bytes},
                      ToolFile{"Utf8", Utf8Texts},
                      ToolFile{"RandomTexts", [] { return RandomTexts(3000, 8); }},
                      ToolFile{"Entries65535", FullTable}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace polyverb
