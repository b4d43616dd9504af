// Source rewriting and the language file update: ReplaceStrings on lines in memory, the
// chooser seam, and ProcessPasFile on real files with its failure paths.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/PathStyle.h"
#include "source/LiteralExtraction.h"
#include "source/Rewrite.h"
#include "source/SourceProcessing.h"
#include "source/SourceText.h"
#include "source/SourceUnit.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using Entries = std::vector<std::pair<int, std::string>>;

Entries EntriesOf(const TvLangFile& file) {
  Entries out;
  for (const auto& rec : file.Idents()) out.emplace_back(rec.Number, rec.Text);
  return out;
}

std::vector<std::string> Split(std::string_view text) {
  const auto views = SplitLines(text);
  return {views.begin(), views.end()};
}

// Marks the candidates whose 1-based numbers are listed; an empty list marks nothing.
TStringChooser MarkNumbers(std::set<int> numbers) {
  return [numbers](std::span<const std::string>, TLangStrings& strings) {
    for (int i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = numbers.contains(i + 1);
  };
}

TStringChooser MarkAll() {
  return [](std::span<const std::string>, TLangStrings& strings) {
    for (int i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = true;
  };
}

// ---- ReplaceStrings ----------------------------------------------------------------

struct ReplaceCase {
  std::string name;
  std::string body;  // statements between "begin" and "end."
  std::set<int> marked;
  std::uint16_t next;
  std::string rewritten;  // the body afterwards
  Entries added;
};

std::ostream& operator<<(std::ostream& os, const ReplaceCase& c) {
  return os << c.body;
}

class ReplaceStringsTest : public ::testing::TestWithParam<ReplaceCase> {
 protected:
  void TearDown() override { LangFile = nullptr; }
};

TEST_P(ReplaceStringsTest, ReplacesMarkedLiteralsAndAddsTheirTexts) {
  const ReplaceCase& c = GetParam();
  const std::string head = "program P;\nbegin\n";
  std::vector<std::string> lines = Split(head + c.body + "\nend.\n");
  TLangStrings strings;
  FindStrings(lines, strings);
  for (int i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = c.marked.contains(i + 1);

  auto file = TvLangFileEdit::FromBytes({}, "english.lng");
  LangFile = file.get();
  NextStrNumber = c.next;
  ReplaceStrings(lines, strings);

  std::string body;
  for (std::size_t i = 2; i + 1 < lines.size(); ++i) body += (i > 2 ? "\n" : "") + lines[i];
  EXPECT_EQ(body, c.rewritten);
  EXPECT_EQ(EntriesOf(*file), c.added);
  EXPECT_EQ(NextStrNumber, static_cast<std::uint16_t>(c.next + c.added.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceStringsTest,
    ::testing::Values(
        ReplaceCase{"TwoOnOneLineShift",
                    "Caption := 'Yes' + ' / ' + 'No';",
                    {1, 2},
                    5,
                    "Caption := GetLangStr(5) + ' / ' + GetLangStr(6);",
                    {{5, "Yes"}, {6, "No"}}},
        ReplaceCase{"UnmarkedBetweenMarked",
                    "S := 'One' + 'Two' + 'Three';",
                    {1, 3},
                    1,
                    "S := GetLangStr(1) + 'Two' + GetLangStr(2);",
                    {{1, "One"}, {2, "Three"}}},
        ReplaceCase{
            "DoubledQuote", "X('Don''t save');", {1}, 1, "X(GetLangStr(1));", {{1, "Don't save"}}},
        ReplaceCase{"SameTextTwice",
                    "A('Hi'); B('Hi');",
                    {1, 2},
                    3,
                    "A(GetLangStr(3)); B(GetLangStr(4));",
                    {{3, "Hi"}, {4, "Hi"}}},
        ReplaceCase{"NothingMarked", "A('Hi');", {}, 1, "A('Hi');", {}},
        ReplaceCase{"GlueBothSides",
                    "S := 'Tab:'#9'end';",
                    {1, 2},
                    1,
                    "S := GetLangStr(1)+#9+GetLangStr(2);",
                    {{1, "Tab:"}, {2, "end"}}},
        ReplaceCase{"GlueNextToAnUnmarkedLiteral",
                    "S := 'Tab:'#9'end';",
                    {2},
                    1,
                    "S := 'Tab:'#9+GetLangStr(1);",
                    {{1, "end"}}},
        ReplaceCase{"ShiftCountsThePlus",
                    "S := 'ab'#13#10'cd'; T := 'Ef';",
                    {1, 2, 3},
                    7,
                    "S := GetLangStr(7)+#13#10+GetLangStr(8); T := GetLangStr(9);",
                    {{7, "ab"}, {8, "cd"}, {9, "Ef"}}},
        ReplaceCase{"ControlCharacter",
                    "S := ^M'Line'^J;",
                    {1},
                    1,
                    "S := ^M+GetLangStr(1)+^J;",
                    {{1, "Line"}}},
        ReplaceCase{"DereferenceIsNoCode",
                    "if p^='Yes' then X := p^['Key'];",
                    {1, 2},
                    1,
                    "if p^=GetLangStr(1) then X := p^[GetLangStr(2)];",
                    {{1, "Yes"}, {2, "Key"}}},
        ReplaceCase{"LiteralStartingALineAndLaterLines",
                    "X :=\n'Start' +\n  'Go';",
                    {1, 2},
                    1,
                    "X :=\nGetLangStr(1) +\n  GetLangStr(2);",
                    {{1, "Start"}, {2, "Go"}}},
        ReplaceCase{"LastNumbers",
                    "A('Hi', 'Yo');",
                    {1, 2},
                    65534,
                    "A(GetLangStr(65534), GetLangStr(65535));",
                    {{65534, "Hi"}, {65535, "Yo"}}}),
    [](const auto& info) { return info.param.name; });

class ReplaceStringsFailureTest : public ::testing::Test {
 protected:
  void TearDown() override { LangFile = nullptr; }
};

TEST_F(ReplaceStringsFailureTest, NumbersPast65535ChangeNothing) {
  std::vector<std::string> lines = Split("program P;\nbegin A('Hi', 'Yo') end.");
  const std::vector<std::string> before = lines;
  TLangStrings strings;
  FindStrings(lines, strings);
  for (int i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = true;
  auto file = TvLangFileEdit::FromBytes({}, "/d/english.lng");
  LangFile = file.get();
  CurFileName = "p.dpr";
  NextStrNumber = 65535;
  try {
    ReplaceStrings(lines, strings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot number the strings marked in p.dpr: /d/english.lng already uses numbers up "
              "to 65534, and 2 more would pass 65535");
  }
  EXPECT_EQ(lines, before);
  EXPECT_TRUE(file->Idents().empty());
}

TEST_F(ReplaceStringsFailureTest, AnEntryOutsideTheLinesChangesNothing) {
  std::vector<std::string> lines = {"begin A('Hi') end."};
  TLangStrings strings;
  strings.Add("Hi", 0, 9, 13);
  strings.Add("Yo", 0, 15, 30);
  for (int i = 0; i < 2; ++i) strings.Items(i).Chosen = true;
  auto file = TvLangFileEdit::FromBytes({}, "english.lng");
  LangFile = file.get();
  CurFileName = "p.dpr";
  NextStrNumber = 1;
  try {
    ReplaceStrings(lines, strings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "String 1 of p.dpr (line 1, columns 15 to 30) lies outside the source");
  }
  EXPECT_EQ(lines[0], "begin A('Hi') end.");
  EXPECT_TRUE(file->Idents().empty());
}

// ---- ChooseStrings -----------------------------------------------------------------

TEST(ChooseStringsTest, WithoutAChooserItFails) {
  TLangStrings strings;
  strings.Add("Hi", 0, 1, 5);
  CurFileName = "/w/Unit1.pas";
  try {
    ChooseStrings({}, strings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "No string chooser is installed to mark the strings of /w/Unit1.pas");
  }
}

TEST(ChooseStringsTest, EntriesTheChooserLeavesAloneAreUnmarked) {
  TLangStrings strings;
  for (int i = 0; i < 3; ++i) strings.Add("Hi", i, 1, 5);
  for (int i = 0; i < 3; ++i) strings.Items(i).Chosen = true;
  const ScopedStringChooser chooser(
      [](std::span<const std::string>, TLangStrings& s) { s.Items(1).Chosen = true; });
  ChooseStrings({}, strings);
  EXPECT_FALSE(strings.Items(0).Chosen);
  EXPECT_TRUE(strings.Items(1).Chosen);
  EXPECT_FALSE(strings.Items(2).Chosen);
}

TEST(ChooseStringsTest, ScopedChoosersNestAndRestore) {
  TLangStrings strings;
  strings.Add("Hi", 0, 1, 5);
  std::vector<std::string> calls;
  auto named = [&](std::string name) {
    return [&calls, name](std::span<const std::string>, TLangStrings&) { calls.push_back(name); };
  };
  {
    const ScopedStringChooser outer(named("outer"));
    {
      const ScopedStringChooser inner(named("inner"));
      ChooseStrings({}, strings);
    }
    ChooseStrings({}, strings);
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"inner", "outer"}));
  EXPECT_THROW(ChooseStrings({}, strings), Error);
}

TEST(ChooseStringsTest, TheChooserSeesTheLinesAsRead) {
  const std::vector<std::string> lines = {"begin", "  X('Hi');"};
  TLangStrings strings;
  strings.Add("Hi", 1, 5, 9);
  std::string seen;
  const ScopedStringChooser chooser([&](std::span<const std::string> l, TLangStrings& s) {
    seen = l[static_cast<std::size_t>(s.Items(0).LineIndex)];
  });
  ChooseStrings(lines, strings);
  EXPECT_EQ(seen, "  X('Hi');");
}

// ---- ProcessPasFile ----------------------------------------------------------------

const std::string kMissing = "No such file or directory";

class ProcessPasFileTest : public ::testing::Test {
 protected:
  std::string Lng() const { return CurrentDirectory() + "/english.lng"; }
  Entries LngEntries() const { return EntriesOf(*TvLangFileEdit::ReadExisting(Lng())); }

  // Processes `name` holding `source` with the chooser given; the error text, or "".
  std::string Process(const std::string& name, const std::string& source,
                      TStringChooser chooser = MarkAll()) {
    testing::WriteBytes(name, source);
    return ProcessExisting(name, std::move(chooser));
  }
  std::string ProcessExisting(const std::string& name, TStringChooser chooser = MarkAll()) {
    const ScopedStringChooser scoped(std::move(chooser));
    try {
      ProcessPasFile(name, "English", classic_);
    } catch (const Error& e) {
      return e.what();
    }
    return "";
  }
  // A language file holding `numbers` in this order, written by the writer.
  void WriteTable(std::vector<std::uint16_t> numbers) {
    auto file = TvLangFileEdit::FromBytes({}, Lng());
    for (std::uint16_t n : numbers)
      file->MutableIdents().push_back({n, 0, file->KeepText("n" + std::to_string(n)), 0});
    file->Save();
  }

  testing::TempDir dir_{true};
  // These cases pin the classic rules and their rewrite, which --classic keeps exact.
  TConversionRun classic_{{TCandidateRules::kClassic, {}}};
};

const char* const kUnit1 =
    "unit Unit1;\r\ninterface\r\nimplementation\r\n"
    "procedure TForm1.Button1Click(Sender: TObject);\r\nbegin\r\n"
    "  ShowMessage('Hello');\r\nend;\r\nend.\r\n";

TEST_F(ProcessPasFileTest, NewLanguageFileStartsAtOne) {
  EXPECT_EQ(Process("Unit1.pas", kUnit1), "");
  EXPECT_EQ(testing::ReadBytes("Unit1.pas"),
            "unit Unit1;\r\ninterface\r\nimplementation\r\n"
            "procedure TForm1.Button1Click(Sender: TObject);\r\nbegin\r\n"
            "  ShowMessage(GetLangStr(1));\r\nend;\r\nend.\r\n");
  EXPECT_EQ(LngEntries(), (Entries{{1, "Hello"}}));
  EXPECT_EQ(CurFileName, "Unit1.pas");
  EXPECT_EQ(LangFile, nullptr);
}

TEST_F(ProcessPasFileTest, LfSourceWithoutFinalLineEndGetsCrLfAfterEveryLine) {
  EXPECT_EQ(Process("p.dpr", "program P;\nbegin\n  X('A');\r  Y('B')\nend."), "");
  EXPECT_EQ(testing::ReadBytes("p.dpr"),
            "program P;\r\nbegin\r\n  X(GetLangStr(1));\r\n  Y(GetLangStr(2))\r\nend.\r\n");
}

TEST_F(ProcessPasFileTest, NothingMarkedStillWritesTheSource) {
  EXPECT_EQ(Process("p.dpr", "program P;\nbegin X('A') end.", MarkNumbers({})), "");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), "program P;\r\nbegin X('A') end.\r\n");
  EXPECT_TRUE(testing::Exists(Lng()));
  EXPECT_EQ(LngEntries(), Entries{});
}

TEST_F(ProcessPasFileTest, NoCandidateLeavesTheSourceButWritesTheLanguageFile) {
  bool asked = false;
  const std::string source = "program P;\nbegin X(' '); Y('12') end.";
  EXPECT_EQ(
      Process("p.dpr", source, [&](std::span<const std::string>, TLangStrings&) { asked = true; }),
      "");
  EXPECT_FALSE(asked);
  EXPECT_EQ(testing::ReadBytes("p.dpr"), source);
  EXPECT_TRUE(testing::Exists(Lng()));
  EXPECT_EQ(testing::ListDirectory(dir_.path()),
            (std::vector<std::string>{"english.lng", "p.dpr"}));
}

TEST_F(ProcessPasFileTest, TwoModulesContinueTheNumbering) {
  EXPECT_EQ(Process("a.pas", "unit A; interface implementation begin X('One', 'Two') end."), "");
  EXPECT_EQ(Process("b.dpr", "program B; begin X('Three') end."), "");
  EXPECT_EQ(testing::ReadBytes("b.dpr"), "program B; begin X(GetLangStr(3)) end.\r\n");
  EXPECT_EQ(LngEntries(), (Entries{{1, "One"}, {2, "Two"}, {3, "Three"}}));
}

TEST_F(ProcessPasFileTest, UnsortedTableNumbersAboveItsLargestNumber) {
  WriteTable({9, 5});
  EXPECT_EQ(Process("p.dpr", "program P; begin X('A', 'B') end."), "");
  EXPECT_EQ(testing::ReadBytes("p.dpr"),
            "program P; begin X(GetLangStr(10), GetLangStr(11)) end.\r\n");
  EXPECT_EQ(LngEntries(), (Entries{{9, "n9"}, {5, "n5"}, {10, "A"}, {11, "B"}}));
}

TEST_F(ProcessPasFileTest, RejectedLanguageFileStopsBeforeAnythingElse) {
  testing::WriteBytes(Lng(), "XXnot a language file");
  EXPECT_EQ(Process("p.dpr", "program P; begin X('A') end."),
            "Not a language file or old version (1.1): " + Lng());
  EXPECT_EQ(testing::ReadBytes("p.dpr"), "program P; begin X('A') end.");
  EXPECT_EQ(testing::ReadBytes(Lng()), "XXnot a language file");
  EXPECT_EQ(CurFileName, "p.dpr");
}

TEST_F(ProcessPasFileTest, UnreadableSourceStillSavesTheLanguageFile) {
  WriteTable({1});
  const std::string before = testing::ReadBytes(Lng());
  EXPECT_EQ(ProcessExisting("missing.pas"), "Cannot open file missing.pas: " + kMissing);
  EXPECT_EQ(testing::ReadBytes(Lng()), before);
  EXPECT_EQ(ProcessExisting("missing.pas"), "Cannot open file missing.pas: " + kMissing);
  EXPECT_EQ(testing::ListDirectory(dir_.path()), std::vector<std::string>{"english.lng"});
}

TEST_F(ProcessPasFileTest, MissingLanguageFileIsCreatedEvenWhenTheSourceFails) {
  EXPECT_EQ(ProcessExisting("missing.pas"), "Cannot open file missing.pas: " + kMissing);
  EXPECT_EQ(LngEntries(), Entries{});
}

TEST_F(ProcessPasFileTest, SourceHeldElsewhereKeepsItsBytesAndTheEntriesAreSaved) {
  const std::string source = "program P;\nbegin X('A') end.";
  testing::WriteBytes("p.dpr", source);
  {
    const testing::LockHolder lock("p.dpr");
    const ScopedLockWait short_wait(std::chrono::milliseconds(20));
    EXPECT_EQ(ProcessExisting("p.dpr"), "Cannot create file p.dpr: in use by another process");
  }
  EXPECT_EQ(testing::ReadBytes("p.dpr"), source);
  EXPECT_EQ(LngEntries(), (Entries{{1, "A"}}));
}

// Fails every write from the `failAt`-th on (1-based), as a disk that fills up would.
class FailFromWrite : public FileWriter {
 public:
  explicit FailFromWrite(int fail_at) : fail_at_(fail_at) {}
  void WriteAll(int fd, std::string_view data) override {
    if (++calls_ >= fail_at_) throw StreamWriteError({}, "No space left on device");
    testing::FailingWriter(data.size()).WriteAll(fd, data);
  }

 private:
  int fail_at_;
  int calls_ = 0;
};

TEST_F(ProcessPasFileTest, SourceWriteFailureLeavesTheOldSourceAndNoTemporaryFile) {
  const std::string source = "program P;\nbegin X('A') end.";
  testing::WriteBytes("p.dpr", source);
  FailFromWrite writer(2);  // the language file is written first
  const ScopedFileWriter scoped(writer);
  EXPECT_EQ(ProcessExisting("p.dpr"), "Cannot create file p.dpr: No space left on device");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), source);
  EXPECT_EQ(LngEntries(), (Entries{{1, "A"}}));
  EXPECT_EQ(testing::ListDirectory(dir_.path()),
            (std::vector<std::string>{"english.lng", "p.dpr"}));
}

TEST_F(ProcessPasFileTest, LanguageFileSaveFailureLeavesTheSourceUnchanged) {
  WriteTable({1});
  const std::string lng = testing::ReadBytes(Lng());
  const std::string source = "program P;\nbegin X('A') end.";
  testing::WriteBytes("p.dpr", source);
  FailFromWrite writer(1);
  const ScopedFileWriter scoped(writer);
  EXPECT_EQ(ProcessExisting("p.dpr"),
            "Stream write error on " + Lng() + ": No space left on device");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), source);
  EXPECT_EQ(testing::ReadBytes(Lng()), lng);
}

TEST_F(ProcessPasFileTest, BothFailuresAreReportedInOneMessage) {
  FailFromWrite writer(1);
  const ScopedFileWriter scoped(writer);
  EXPECT_EQ(ProcessExisting("missing.pas"),
            "Cannot open file missing.pas: " + kMissing +
                " (the language file was not saved either: Stream write error on " + Lng() +
                ": No space left on device)");
}

TEST_F(ProcessPasFileTest, ChooserFailureSavesTheLanguageFileAndLeavesTheSource) {
  const std::string source = "program P;\nbegin X('A') end.";
  EXPECT_EQ(Process("p.dpr", source,
                    [](std::span<const std::string>, TLangStrings&) {
                      throw Error("the dialog could not be shown");
                    }),
            "the dialog could not be shown");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), source);
  EXPECT_EQ(LngEntries(), Entries{});
}

TEST_F(ProcessPasFileTest, NumbersPast65535AreRefusedBeforeAnyReplacement) {
  WriteTable({65534});
  const std::string lng = testing::ReadBytes(Lng());
  const std::string source = "program P;\nbegin X('A', 'B') end.";
  EXPECT_EQ(Process("p.dpr", source),
            "Cannot number the strings marked in p.dpr: " + Lng() +
                " already uses numbers up to 65534, and 2 more would pass 65535");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), source);
  EXPECT_EQ(testing::ReadBytes(Lng()), lng);
}

TEST_F(ProcessPasFileTest, Number65535TakenIsNoErrorWhenNothingIsMarked) {
  WriteTable({65535});
  EXPECT_EQ(Process("p.dpr", "program P;\nbegin X('A') end.", MarkNumbers({})), "");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), "program P;\r\nbegin X('A') end.\r\n");
  EXPECT_EQ(Process("p.dpr", "program P;\nbegin X('A') end.", MarkNumbers({1})),
            "Cannot number the strings marked in p.dpr: " + Lng() +
                " already uses numbers up to 65535, and 1 more would pass 65535");
}

// ---- ProcessPasFile with the sound rules ---------------------------------------------

class SoundProcessTest : public ProcessPasFileTest {
 protected:
  std::string Run(const std::string& name, TStringChooser chooser = MarkAll()) {
    const ScopedStringChooser scoped(std::move(chooser));
    try {
      ProcessPasFile(name, "English", run_);
    } catch (const Error& e) {
      return e.what();
    }
    return "";
  }
  TConversionRun run_;
};

TEST_F(SoundProcessTest, IncludeFilesAreRewrittenOnceAndTheirUnitsUseTheRunTimeUnit) {
  testing::WriteBytes("texts.inc", "Say('From the include');\n");
  testing::WriteBytes("u.pas",
                      "unit U;\ninterface\nimplementation\nprocedure P;\nbegin\n  Say('Before');\n"
                      "  {$I texts.inc}\n  Say('After');\nend;\nend.\n");
  testing::WriteBytes("v.pas",
                      "unit V;\ninterface\nimplementation\nuses U;\n"
                      "procedure Q;\nbegin\n  {$I Texts}\nend;\nend.\n");
  std::vector<std::string> offered;
  auto record = [&](std::span<const std::string> lines, TLangStrings& strings) {
    for (int i = 0; i < strings.Count(); ++i) {
      offered.push_back(lines[static_cast<std::size_t>(strings.Items(i).LineIndex)]);
      strings.Items(i).Chosen = true;
    }
  };
  EXPECT_EQ(Run("u.pas", record), "");
  EXPECT_EQ(Run("v.pas", record), "");
  EXPECT_EQ(offered, (std::vector<std::string>{"  Say('Before');", "Say('From the include');",
                                               "  Say('After');"}));
  EXPECT_EQ(testing::ReadBytes("texts.inc"), "Say(GetLangStr(2));\r\n");
  EXPECT_EQ(testing::ReadBytes("u.pas"),
            "unit U;\r\ninterface\r\nimplementation\r\n\r\nuses vLangRT;\r\nprocedure P;\r\n"
            "begin\r\n  Say(GetLangStr(1));\r\n  {$I texts.inc}\r\n  Say(GetLangStr(3));\r\n"
            "end;\r\nend.\r\n");
  EXPECT_EQ(testing::ReadBytes("v.pas"),
            "unit V;\r\ninterface\r\nimplementation\r\nuses vLangRT, U;\r\nprocedure Q;\r\n"
            "begin\r\n  {$I Texts}\r\nend;\r\nend.\r\n");
  EXPECT_EQ(LngEntries(), (Entries{{1, "Before"}, {2, "From the include"}, {3, "After"}}));
  EXPECT_EQ(run_.UsesAdded(), (std::vector<std::string>{"u.pas", "v.pas"}));
}

TEST_F(SoundProcessTest, WarningsForAMissingIncludeFileAndAFileWithoutHeader) {
  testing::WriteBytes("p.dpr", "program P;\nbegin\n  {$I gone.inc}\n  Say('Still done');\nend.\n");
  testing::WriteBytes("part.inc", "Say('Part');\n");
  EXPECT_EQ(Run("p.dpr"), "");
  EXPECT_EQ(Run("part.inc"), "");
  EXPECT_EQ(run_.TakeWarnings(),
            (std::vector<std::string>{
                "p.dpr, line 3: the include file gone.inc was not found; its literals are not "
                "offered",
                "part.inc has no unit or program header, so nothing in it is converted on its "
                "own; if it is an include file, convert the unit or program that includes it"}));
  EXPECT_EQ(testing::ReadBytes("p.dpr"),
            "program P;\r\n\r\nuses vLangRT;\r\nbegin\r\n  {$I gone.inc}\r\n"
            "  Say(GetLangStr(1));\r\nend.\r\n");
  EXPECT_EQ(testing::ReadBytes("part.inc"), "Say('Part');\n");
}

TEST_F(SoundProcessTest, IsoModeProgramIsNotRewritten) {
  const std::string source = "{$mode iso}\nprogram P(output);\nbegin\n  WriteLn('Hello');\nend.\n";
  testing::WriteBytes("p.pas", source);
  EXPECT_EQ(Run("p.pas"),
            "p.pas selects ISO mode ({$MODE ISO}), in which a program cannot use units; it cannot "
            "call GetLangStr, so it was not rewritten");
  EXPECT_EQ(testing::ReadBytes("p.pas"), source);
  EXPECT_EQ(LngEntries(), Entries{});
}

TEST_F(SoundProcessTest, MultiLineLiteralIsReplacedWhole) {
  testing::WriteBytes("p.dpr",
                      "program P; uses vLangRT;\nbegin\n  Say('''\n    One\n    Two\n"
                      "    ''' + X);\nend.\n");
  EXPECT_EQ(Run("p.dpr"), "");
  EXPECT_EQ(testing::ReadBytes("p.dpr"),
            "program P; uses vLangRT;\r\nbegin\r\n  Say(GetLangStr(1) + X);\r\nend.\r\n");
  EXPECT_EQ(LngEntries(), (Entries{{1, "One\r\nTwo"}}));
}

// Another run may add entries while the user chooses: the numbers come from the table as
// read under the lock, after the chooser, never from the one read before it.
TEST_F(ProcessPasFileTest, NumbersComeFromTheTableReadUnderTheLockAfterTheChooser) {
  WriteTable({1});
  EXPECT_EQ(Process("p.dpr", "program P; begin X('A') end.",
                    [&](std::span<const std::string> lines, TLangStrings& strings) {
                      auto other = TvLangFileEdit::OpenPath(Lng());
                      other->AddIdent(2, "other run", 0);
                      other->Save();
                      MarkAll()(lines, strings);
                    }),
            "");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), "program P; begin X(GetLangStr(3)) end.\r\n");
  EXPECT_EQ(LngEntries(), (Entries{{1, "n1"}, {2, "other run"}, {3, "A"}}));
}

TEST_F(ProcessPasFileTest, SourceChangedWhileChoosingIsNotRewritten) {
  const std::string changed = "program P; begin X('B') end.";
  EXPECT_EQ(Process("p.dpr", "program P; begin X('A') end.",
                    [&](std::span<const std::string> lines, TLangStrings& strings) {
                      testing::WriteBytes("p.dpr.new", changed);
                      std::rename("p.dpr.new", "p.dpr");
                      MarkAll()(lines, strings);
                    }),
            "Source file p.dpr was changed on disk while its strings were chosen; it was not "
            "rewritten");
  EXPECT_EQ(testing::ReadBytes("p.dpr"), changed);
  EXPECT_EQ(LngEntries(), Entries{});
}

TEST_F(ProcessPasFileTest, ByteOrderMarkHidesNoLiteralAndIsKept) {
  EXPECT_EQ(Process("p.dpr", "\xEF\xBB\xBFprogram P;\nbegin X('A') end."), "");
  EXPECT_EQ(testing::ReadBytes("p.dpr"),
            "\xEF\xBB\xBFprogram P;\r\nbegin X(GetLangStr(1)) end.\r\n");
}

TEST_F(ProcessPasFileTest, StepUnderTheLockAddsToTheSameSave) {
  testing::WriteBytes("p.dpr", "program P; begin X('Ab') end.");
  const ScopedStringChooser scoped(MarkAll());
  ProcessPasFile("p.dpr", "English", [](TvLangFileEdit& file) {
    file.AddIdent(static_cast<std::uint16_t>(FirstFreeNumber(file)), "Form caption", 0);
  });
  EXPECT_EQ(LngEntries(), (Entries{{1, "Ab"}, {2, "Form caption"}}));
}

}  // namespace
}  // namespace polyverb
