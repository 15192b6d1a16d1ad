#include "stats/keyed_list.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace kestrune {
namespace {

struct Tracked {
  static inline int alive = 0;
  Tracked() { ++alive; }
  ~Tracked() { --alive; }
  int value = 0;
};

class KeyedListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C");
    Tracked::alive = 0;
  }
};

TEST_F(KeyedListTest, EmptyList) {
  KeyedList<Tracked> list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOf("x"), -1);
  EXPECT_EQ(list.IndexOf(""), -1);
}

TEST_F(KeyedListTest, InsertionOrderAndCaseInsensitiveLookupOverManyKeys) {
  KeyedList<Tracked> list;
  constexpr int kKeys = 100000;
  for (int i = 0; i < kKeys; ++i) {
    const std::string key = "/Page" + std::to_string(i) + ".htm";
    ASSERT_EQ(list.Add(key), i);
  }
  ASSERT_EQ(list.Count(), kKeys);
  for (int i = 0; i < kKeys; ++i) {
    const std::string n = std::to_string(i);
    ASSERT_EQ(list.Key(i), "/Page" + n + ".htm");
    ASSERT_EQ(list.IndexOf("/page" + n + ".HTM"), i);
    ASSERT_EQ(list.IndexOf("/PAGE" + n + ".htm"), i);
  }
  EXPECT_EQ(list.IndexOf("/Page" + std::to_string(kKeys) + ".htm"), -1);
  EXPECT_EQ(list.IndexOf("/Page1.ht"), -1);
  EXPECT_EQ(list.IndexOf("/Page1.htmx"), -1);
  EXPECT_EQ(list.IndexOf(""), -1);
}

TEST_F(KeyedListTest, KeysThatDifferOnlyInNonLettersStayApart) {
  KeyedList<Tracked> list;
  list.Add("a[b");
  list.Add("a{b");
  list.Add("a@b");
  list.Add("a`b");
  EXPECT_EQ(list.IndexOf("A[B"), 0);
  EXPECT_EQ(list.IndexOf("A{B"), 1);
  EXPECT_EQ(list.IndexOf("A@B"), 2);
  EXPECT_EQ(list.IndexOf("A`B"), 3);
}

TEST_F(KeyedListTest, FirstMatchWinsAndFirstSpellingIsKept) {
  KeyedList<Tracked> list;
  bool added = false;
  EXPECT_EQ(list.FindOrAdd("Mozilla", &added), 0);
  EXPECT_TRUE(added);
  EXPECT_EQ(list.FindOrAdd("MOZILLA", &added), 0);
  EXPECT_FALSE(added);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Key(0), "Mozilla");

  // Add does not check duplicates; lookup still returns the first of them.
  EXPECT_EQ(list.Add("mozilla"), 1);
  EXPECT_EQ(list.IndexOf("mOZILLA"), 0);
  EXPECT_EQ(list.FindOrAdd("", &added), 2);  // an empty key is an ordinary key
  EXPECT_TRUE(added);
  EXPECT_EQ(list.IndexOf(""), 2);
}

TEST_F(KeyedListTest, ObjectsAreCreatedOnceAndOwned) {
  {
    KeyedList<Tracked> list;
    list.Add("a");
    list.Add("b", std::make_unique<Tracked>());
    EXPECT_EQ(list.Object(0), nullptr);
    EXPECT_NE(list.Object(1), nullptr);
    Tracked& a = list.ObjectOrCreate(0);
    a.value = 7;
    EXPECT_EQ(&list.ObjectOrCreate(0), &a);
    EXPECT_EQ(list.Object(0)->value, 7);
    EXPECT_EQ(Tracked::alive, 2);
    // Objects stay where they are while the list grows.
    for (int i = 0; i < 5000; ++i) list.Add("k" + std::to_string(i));
    EXPECT_EQ(list.Object(0), &a);
  }
  EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(KeyedListTest, DeleteReindexesLaterEntries) {
  KeyedList<Tracked> list;
  for (int i = 0; i < 2000; ++i) list.Add("IP" + std::to_string(i));
  list.ObjectOrCreate(500).value = 500;
  list.ObjectOrCreate(501).value = 501;
  list.Delete(500);
  EXPECT_EQ(list.Count(), 1999);
  EXPECT_EQ(Tracked::alive, 1);
  EXPECT_EQ(list.IndexOf("ip500"), -1);
  EXPECT_EQ(list.IndexOf("ip499"), 499);
  EXPECT_EQ(list.IndexOf("ip501"), 500);
  EXPECT_EQ(list.Object(500)->value, 501);
  EXPECT_EQ(list.IndexOf("ip1999"), 1998);
  list.Delete(0);
  EXPECT_EQ(list.Key(0), "IP1");
  EXPECT_EQ(list.IndexOf("IP1"), 0);
  list.Delete(list.Count() - 1);
  EXPECT_EQ(list.IndexOf("IP1999"), -1);
  EXPECT_EQ(list.Count(), 1997);
  list.Delete(-1);  // out of range: nothing happens
  list.Delete(list.Count());
  EXPECT_EQ(list.Count(), 1997);
  // Adding after a delete continues at the end.
  EXPECT_EQ(list.Add("IP500"), 1997);
  EXPECT_EQ(list.IndexOf("ip500"), 1997);
}

TEST_F(KeyedListTest, DeletingTheFirstOfTwoEqualKeysExposesTheSecond) {
  KeyedList<Tracked> list;
  list.Add("GIF");
  list.Add("x");
  list.Add("gif");
  EXPECT_EQ(list.IndexOf("Gif"), 0);
  list.Delete(0);
  EXPECT_EQ(list.IndexOf("Gif"), 1);
  EXPECT_EQ(list.Key(1), "gif");
}

TEST_F(KeyedListTest, ClearFreesObjectsAndTheListIsReusable) {
  KeyedList<Tracked> list;
  for (int i = 0; i < 3000; ++i) list.ObjectOrCreate(list.Add("u" + std::to_string(i)));
  EXPECT_EQ(Tracked::alive, 3000);
  list.Clear();
  EXPECT_EQ(Tracked::alive, 0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOf("u1"), -1);
  EXPECT_EQ(list.Add("U1"), 0);
  EXPECT_EQ(list.IndexOf("u1"), 0);
  EXPECT_EQ(list.IndexOf("u2"), -1);
}

TEST_F(KeyedListTest, AddingAKeyOfTheListItself) {
  // The key passed in views storage of the list that the append may move.
  KeyedList<Tracked> list;
  list.Add("seed");
  for (int i = 0; i < 64; ++i) list.Add(list.Key(list.Count() - 1));
  EXPECT_EQ(list.Count(), 65);
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Key(i), "seed");
  EXPECT_EQ(list.IndexOf("SEED"), 0);
  list.Add("other");
  EXPECT_EQ(list.IndexOf("other"), 65);
}

}  // namespace
}  // namespace kestrune
