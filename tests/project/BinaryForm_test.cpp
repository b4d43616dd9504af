// Binary form files: exact bytes of the value types, errors at their offsets, and the
// writer checked against Free Pascal's own converter (ObjectBinaryToText).
#include <gtest/gtest.h>

#include <filesystem>

#include "project/BinaryFormFormat.h"
#include "project/FormFile.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out += static_cast<char>(b);
  return out;
}

// One object of class TF named F with the given property bytes.
std::string Stream(std::string_view properties) {
  return "TPF0" + Bytes({2}) + "TF" + Bytes({1}) + "F" + std::string(properties) + Bytes({0, 0});
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

std::string Prop(std::string_view name, std::string_view value) {
  return static_cast<char>(name.size()) + std::string(name) + std::string(value);
}

// The types Free Pascal 3.2's converter cannot show, pinned by their bytes.
TEST(BinaryFormTest, ReadsEveryValueTypeAndWritesTheSameBytes) {
  const std::string bytes =
      Stream(Prop("S", Bytes({dfm::kSingle, 0x00, 0x00, 0xC0, 0x3F})) +
             Prop("C", Bytes({dfm::kCurrency, 0x8C, 0x30, 0x00, 0x00, 0, 0, 0, 0})) +
             Prop("D", Bytes({dfm::kDate, 0, 0, 0, 0, 0, 0x10, 0xE1, 0x40})) +
             Prop("R", Bytes({dfm::kDouble, 0, 0, 0, 0, 0, 0, 0xF8, 0xBF})) +
             Prop("E", Bytes({dfm::kExtended, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})) +
             Prop("I", Bytes({dfm::kInt64, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})) +
             Prop("N", Bytes({dfm::kNull})) +
             Prop("W", Bytes({dfm::kWString, 2, 0, 0, 0, 0xE9, 0, 0x00, 0xD8})) +
             Prop("U", Bytes({dfm::kUtf8String, 2, 0, 0, 0, 0xC3, 0xA9})));
  const FormFile form = FormFile::Parse(bytes, "F.dfm");
  const std::vector<std::string> expected = {
      "1.5s", "1.2428c", "34944d", "-1.5", "1.5", "-1", "Null", "\xC3\xA9\xED\xA0\x80", "\xC3\xA9"};
  ASSERT_EQ(form.Root().Properties().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(form.Root().Properties()[i].Value().text, expected[i]) << i;
  EXPECT_EQ(form.Format(), FormFormat::kBinary);
  EXPECT_EQ(form.Write(), bytes);
}

TEST(BinaryFormTest, StoresNewValuesAsTheDesignerDoes) {
  FormFile form = FormFile::Parse(Stream(""), "F.dfm");
  FormObject& added = form.CreateComponent("TvMLang", 2, 300);
  added.SetStringProperty("LangFileName", "English");
  added.SetStringProperty("Hint",
                          "Fran\xC3\xA7"
                          "ais");
  added.SetStringProperty("Title", std::string(256, 'x'));
  const std::string object =
      Bytes({7}) + "TvMLang" + Bytes({7}) + "vMLang1" +
      Prop("LangFileName", Bytes({dfm::kString, 7}) + "English") +
      Prop("Hint", Bytes({dfm::kWString, 8, 0, 0, 0}) +
                       Bytes({'F', 0, 'r', 0, 'a', 0, 'n', 0, 0xE7, 0, 'a', 0, 'i', 0, 's', 0})) +
      Prop("Title", Bytes({dfm::kLString, 0, 1, 0, 0}) + std::string(256, 'x')) +
      Prop("Left", Bytes({dfm::kInt8, 2})) + Prop("Top", Bytes({dfm::kInt16, 0x2C, 0x01})) +
      Bytes({0, 0});
  EXPECT_EQ(form.Write(),
            "TPF0" + Bytes({2}) + "TF" + Bytes({1}) + "F" + Bytes({0}) + object + Bytes({0}));
}

TEST(BinaryFormTest, ResourceHeaderCountsTheStreamAsWritten) {
  const std::string stream = Stream("");
  const std::string header = std::string(dfm::kResourceType) + "TF" + Bytes({0, 0x30, 0x10});
  auto size = [](std::size_t n) {
    return Bytes({static_cast<int>(n & 0xFF), static_cast<int>(n >> 8), 0, 0});
  };
  FormFile form = FormFile::Parse(header + size(stream.size()) + stream, "F.dfm");
  EXPECT_EQ(form.Format(), FormFormat::kResource);
  form.Root().SetStringProperty("Caption", "Hi");
  const std::string grown = Stream(Prop("Caption", Bytes({dfm::kString, 2}) + "Hi"));
  EXPECT_EQ(form.Write(), header + size(grown.size()) + grown);
}

TEST(BinaryFormTest, MalformedFilesNameTheFileAndTheOffset) {
  const std::string header = std::string(dfm::kResourceType) + "TF" + Bytes({0, 0x30, 0x10});
  const struct {
    std::string bytes;
    std::string message;
  } cases[] = {
      {"TPF0", "offset 4: the file ends inside an object"},
      {"TPF0" + Bytes({2}) + "T",
       "offset 4: a class name of 2 bytes runs past the end of the file"},
      {Stream(Prop("X", Bytes({99}))), "offset 11: unknown value type 99"},
      {Stream(Prop("X", Bytes({dfm::kLString, 0xFF, 0xFF, 0xFF, 0x7F}))),
       "offset 12: a string of 2147483647 bytes runs past the end of the file"},
      {Stream("") + "x", "offset 11: 1 byte after the end of the root object"},
      {header + Bytes({50, 0, 0, 0}) + Stream(""),
       "offset 8: the resource header gives 50 bytes of form data, but 11 follow"},
      {std::string(dfm::kResourceType) + "TF",
       "offset 3: the resource name is not ended by a zero byte"},
      {header + Bytes({4, 0, 0, 0}) + "TPFX", "offset 12: expected the signature TPF0"},
      {Stream(Prop("P", Bytes({dfm::kCollection, dfm::kString}))),
       "offset 12: expected the start of a collection item (value type 1)"},
      {"TPF0" + Repeat(Bytes({1, 'A', 0, 0}), 300), "offset 808: nested too deeply"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(testing::ErrorOf([&] { FormFile::Parse(c.bytes, "F.dfm"); }),
              "Form file F.dfm, " + c.message);
}

// ---- Free Pascal as the independent reader ----------------------------------------------

std::vector<std::string> BinaryFormsUnderTest() {
  std::vector<std::string> paths;
  for (const std::string& name : testing::ListDirectory(POLYVERB_PROJECT_DATA))
    if (name.ends_with(".dfm") &&
        FormFile::Read(std::string(POLYVERB_PROJECT_DATA) + "/" + name).Format() !=
            FormFormat::kText)
      paths.push_back(std::string(POLYVERB_PROJECT_DATA) + "/" + name);
  // Delphi's own files, when the real-world corpus is beside the repository.
  if (fs::is_directory(POLYVERB_CORPUS_DIR "/delphi-binary"))
    for (const auto& entry : fs::recursive_directory_iterator(POLYVERB_CORPUS_DIR "/delphi-binary"))
      if (entry.path().extension() == ".dfm") paths.push_back(entry.path().string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

class BinaryFormFpcTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() {
#ifdef FPC_BIN
    fpc_tools = testing::BuildPascalTool(FPC_BIN, POLYVERB_FPC_TOOLS "/formtotext.pas").release();
#endif
  }
  static void TearDownTestSuite() {
    delete fpc_tools;
  }

  std::string FpcText(const std::string& path) {
    if (fpc_tools == nullptr) return "(the converter did not build)";
    const auto r = testing::RunTool(fpc_tools->path() + "/formtotext", {path});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
  }

  static testing::TempDir* fpc_tools;
};
testing::TempDir* BinaryFormFpcTest::fpc_tools = nullptr;

TEST_P(BinaryFormFpcTest, WrittenFileIsTheOriginalPlusTheNewComponent) {
#ifndef FPC_BIN
  GTEST_SKIP() << "fpc not found";
#endif
  const std::string bytes = testing::ReadBytes(GetParam());
  FormFile form = FormFile::Parse(bytes, GetParam());
  EXPECT_EQ(form.Write(), bytes);

  form.CreateComponent("TvMLang", 2, 2).SetStringProperty("LangFileName", "English");
  const testing::TempDir dir;
  testing::WriteBytes(dir / "converted.dfm", form.Write());
  std::string expected = FpcText(GetParam());
  const std::size_t last_end = expected.rfind("end\n");
  ASSERT_NE(last_end, std::string::npos);
  expected.insert(last_end,
                  "  object vMLang1: TvMLang\n    LangFileName = 'English'\n    Left = 2\n"
                  "    Top = 2\n  end\n");
  EXPECT_EQ(FpcText(dir / "converted.dfm"), expected);
}

INSTANTIATE_TEST_SUITE_P(Files, BinaryFormFpcTest, ::testing::ValuesIn(BinaryFormsUnderTest()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string stem = fs::path(info.param).stem().string();
                           for (char& c : stem)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return stem + std::to_string(info.index);
                         });

}  // namespace
}  // namespace polyverb
