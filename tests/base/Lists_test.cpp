// Intrusive lists: ListSingleUncountedC, ListSingleC, ListDoubleC.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/ListDoubleC.h"
#include "base/ListElemI.h"
#include "base/ListSingleC.h"
#include "base/ListSingleUncountedC.h"

namespace {

struct Item : ListDoubleElemI {
  explicit Item(int v = 0) : value(v) {}
  int value;
};

struct SingleItem : ListElemI {};

// Captures what `write` prints to a FILE*.
template <class Fn>
std::string Capture(Fn write) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* f = open_memstream(&buf, &len);
  write(f);
  std::fclose(f);
  std::string out(buf, len);
  std::free(buf);
  return out;
}

std::string Ptr(const void* p) {
  char b[32];
  std::snprintf(b, sizeof b, "%p", p);
  return b;
}

template <class L>
std::vector<int> Values(const L& list) {
  std::vector<int> out;
  for (ListElemI* e = list.First(); e != nullptr;) {
    out.push_back(static_cast<Item*>(e)->value);
    ListLinkT next = e->Next();
    e = ListIsEnd(next) ? nullptr : ListLinkElem(next);
  }
  return out;
}

template <class L>
uint64_t CountOf(const L& list) {
  if constexpr (requires { list.Count(); }) {
    return list.Count();
  } else {
    return Values(list).size();
  }
}

template <class L>
class ListTest : public ::testing::Test {};
using ListTypes = ::testing::Types<ListSingleUncountedC, ListSingleC, ListDoubleC>;
TYPED_TEST_SUITE(ListTest, ListTypes);

TYPED_TEST(ListTest, AddInsertAndPositions) {
  TypeParam list;
  Item a(1), b(2), c(3), d(4), e(5);
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_TRUE(list.AddEnd(&b));
  EXPECT_TRUE(list.AddFront(&a));
  EXPECT_TRUE(list.AddEnd(&d));
  EXPECT_TRUE(list.InsertAfter(&b, &c));
  EXPECT_TRUE(list.InsertAfter(nullptr, &e));  // no element given: at the end
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(CountOf(list), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(static_cast<Item*>(list.At(i))->value, i + 1);
  EXPECT_EQ(list.At(5), nullptr);
  EXPECT_EQ(list.At(-1), nullptr);
  list.RemoveAll();
}

TYPED_TEST(ListTest, RefusesWhatWouldCorruptALink) {
  TypeParam list, other;
  Item a(1), b(2), stranger(3), loose(4);
  ASSERT_TRUE(list.AddEnd(&a));
  ASSERT_TRUE(other.AddEnd(&stranger));
  EXPECT_FALSE(list.AddEnd(nullptr));
  EXPECT_FALSE(list.AddEnd(&a));                  // already in this list
  EXPECT_FALSE(list.AddFront(&stranger));         // already in another list
  EXPECT_FALSE(list.InsertAfter(&stranger, &b));  // anchor in another list
  EXPECT_FALSE(list.InsertAfter(&loose, &b));     // anchor in no list
  EXPECT_FALSE(b.IsLinked());
  // Removing what is not there changes nothing (the count in particular).
  EXPECT_FALSE(list.Remove(&stranger));
  EXPECT_FALSE(list.Remove(&loose));
  EXPECT_FALSE(list.Remove(nullptr));
  EXPECT_EQ(CountOf(list), 1u);
  EXPECT_EQ(CountOf(other), 1u);
  EXPECT_EQ(Values(other), (std::vector<int>{3}));
  list.RemoveAll();
  other.RemoveAll();
}

TYPED_TEST(ListTest, EveryElementLeadsToItsOwner) {
  TypeParam list;
  alignas(8) static const char separateOwner = 0;
  TypeParam owned(&separateOwner);
  Item items[4];
  for (Item& i : items) ASSERT_TRUE(list.AddEnd(&i));
  Item x;
  ASSERT_TRUE(owned.AddEnd(&x));
  for (Item& i : items) EXPECT_EQ(i.Owner(), &list);
  EXPECT_EQ(list.Owner(), &list);
  EXPECT_EQ(x.Owner(), &separateOwner);
  EXPECT_EQ(owned.Owner(), &separateOwner);
  list.RemoveAll();
  owned.RemoveAll();
  for (Item& i : items) {
    EXPECT_FALSE(i.IsLinked());
    EXPECT_EQ(i.Owner(), nullptr);
  }
}

// Removals at the head, in the middle and at the tail must leave the end usable: the next
// AddEnd lands after the true last element.
TYPED_TEST(ListTest, TailFollowsRemovals) {
  struct Case {
    std::vector<int> remove;
    std::vector<int> expected;  // after appending 9
  } cases[] = {
      {{3}, {1, 2, 9}}, {{1}, {2, 3, 9}}, {{2}, {1, 3, 9}},
      {{3, 2}, {1, 9}}, {{1, 2, 3}, {9}}, {{3, 1, 2}, {9}},
  };
  for (const Case& c : cases) {
    TypeParam list;
    Item items[3] = {Item(1), Item(2), Item(3)};
    Item nine(9);
    for (Item& i : items) list.AddEnd(&i);
    for (int v : c.remove) EXPECT_TRUE(list.Remove(&items[v - 1]));
    EXPECT_TRUE(list.AddEnd(&nine));
    EXPECT_EQ(Values(list), c.expected);
    EXPECT_EQ(CountOf(list), c.expected.size());
    // Inserting after the last element makes the new element the last one.
    Item ten(10);
    EXPECT_TRUE(list.InsertAfter(&nine, &ten));
    Item eleven(11);
    EXPECT_TRUE(list.AddEnd(&eleven));
    std::vector<int> expected = c.expected;
    expected.insert(expected.end(), {10, 11});
    EXPECT_EQ(Values(list), expected);
    list.RemoveAll();
  }
}

TYPED_TEST(ListTest, RandomOperationsMatchAVector) {
  TypeParam list;
  std::vector<Item> items(64);
  for (int i = 0; i < 64; ++i) items[i].value = i;
  std::vector<int> model;
  std::mt19937 rng(42);
  for (int step = 0; step < 5000; ++step) {
    Item& it = items[rng() % items.size()];
    const bool inList = it.IsLinked();
    switch (rng() % 4) {
      case 0:
        EXPECT_EQ(list.AddEnd(&it), !inList);
        if (!inList) model.push_back(it.value);
        break;
      case 1:
        EXPECT_EQ(list.AddFront(&it), !inList);
        if (!inList) model.insert(model.begin(), it.value);
        break;
      case 2:
        if (!inList && !model.empty()) {
          const size_t pos = rng() % model.size();
          ASSERT_TRUE(list.InsertAfter(&items[model[pos]], &it));
          model.insert(model.begin() + pos + 1, it.value);
        }
        break;
      default:
        EXPECT_EQ(list.Remove(&it), inList);
        if (inList) std::erase(model, it.value);
        break;
    }
    ASSERT_EQ(Values(list), model) << "step " << step;
  }
  list.RemoveAll();
}

TEST(ListDoubleCTest, NeedsDoublyLinkedElementsAndKeepsBackLinks) {
  ListDoubleC list;
  SingleItem single;
  EXPECT_FALSE(list.AddEnd(&single));
  EXPECT_FALSE(single.IsLinked());
  Item items[5] = {Item(0), Item(1), Item(2), Item(3), Item(4)};
  for (Item& i : items) list.AddEnd(&i);
  ASSERT_TRUE(list.Remove(&items[2]));
  ASSERT_TRUE(list.Remove(&items[4]));
  // Walk backwards from the tail: 3, 1, 0, then the marker of the list.
  std::vector<int> back;
  ListLinkT link = ListElemLink(list.Last());
  while (!ListIsEnd(link)) {
    back.push_back(static_cast<Item*>(ListLinkElem(link))->value);
    link = *ListLinkElem(link)->PrevLink();
  }
  EXPECT_EQ(back, (std::vector<int>{3, 1, 0}));
  EXPECT_EQ(link, ListEndMarker(&list));
  EXPECT_EQ(static_cast<Item*>(list.At(2))->value, 3);  // near the end: walked from the tail
  list.RemoveAll();
}

TEST(ListPrintTest, ListAndElementFormats) {
  ListSingleC single;
  SingleItem s1, s2;
  EXPECT_EQ(Capture([&](FILE* f) { single.Print(f); }), "list@" + Ptr(&single) + ":\n");
  single.AddEnd(&s1);
  single.AddEnd(&s2);
  const std::string marker = Ptr(reinterpret_cast<void*>(ListEndMarker(&single)));
  EXPECT_EQ(Capture([&](FILE* f) { single.Print(f); }), "list@" + Ptr(&single) + ": " + Ptr(&s1) +
                                                            "(n " + Ptr(&s2) + ") " + Ptr(&s2) +
                                                            "(n " + marker + ")\n");
  single.RemoveAll();

  ListDoubleC dbl;
  Item d1, d2;
  dbl.AddEnd(&d1);
  dbl.AddEnd(&d2);
  const std::string dmarker = Ptr(reinterpret_cast<void*>(ListEndMarker(&dbl)));
  EXPECT_EQ(Capture([&](FILE* f) { d1.Print(f); }),
            Ptr(&d1) + "(n " + Ptr(&d2) + ", p " + dmarker + ")");
  EXPECT_EQ(Capture([&](FILE* f) { dbl.Print(f); }),
            "list@" + Ptr(&dbl) + ": " + Ptr(&d1) + "(n " + Ptr(&d2) + ", p " + dmarker + ") " +
                Ptr(&d2) + "(n " + dmarker + ", p " + Ptr(&d1) + ")\n");
  dbl.RemoveAll();
}

}  // namespace
