#include "source/LiteralList.h"

#include <gtest/gtest.h>

#include "platform/Error.h"

namespace polyverb {
namespace {

TEST(LangStringsTest, AddAppendsInOrderUnchosen) {
  TLangStrings list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Add("It's", 3, 14, 21), 0);
  EXPECT_EQ(list.Add("b", 4, 1, 4), 1);
  EXPECT_EQ(list.Add("", 4, 5, 7), 2);
  ASSERT_EQ(list.Count(), 3);
  const TLangStr& first = list.Items(0);
  EXPECT_FALSE(first.Chosen);
  EXPECT_EQ(first.Text, "It's");
  EXPECT_EQ(first.LineIndex, 3);
  EXPECT_EQ(first.StartPos, 14);
  EXPECT_EQ(first.NextPos, 21);
  EXPECT_EQ(list.Items(1).Text, "b");
  EXPECT_EQ(list.Items(2).StartPos, 5);
}

TEST(LangStringsTest, EntriesStayPutAndCanBeMarked) {
  TLangStrings list;
  list.Add("a", 0, 1, 4);
  TLangStr& entry = list.Items(0);
  for (int i = 0; i < 1000; ++i) list.Add("x", i, 1, 4);
  EXPECT_EQ(CountChosen(list), 0);
  entry.Chosen = true;
  list.Items(1000).Chosen = true;
  EXPECT_TRUE(list.Items(0).Chosen);
  EXPECT_FALSE(list.Items(1).Chosen);
  EXPECT_EQ(CountChosen(list), 2);
}

TEST(LangStringsTest, IndexOutsideFails) {
  TLangStrings list;
  list.Add("a", 0, 1, 4);
  for (int index : {-1, 1, 7}) {
    try {
      list.Items(index);
      ADD_FAILURE() << "no error for " << index;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
}

}  // namespace
}  // namespace polyverb
