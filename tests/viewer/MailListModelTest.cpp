// The row model alone: comparison, insertion place, marking and gathering.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "viewer/MailListModel.h"

namespace {

std::unique_ptr<MailItem> Item(int account, const char* subject, const char* from = "", long long time = 0,
                               const char* sizeBytes = "0") {
  auto item = std::make_unique<MailItem>();
  item->accountIndex = account;
  item->header.subject = subject;
  item->header.from = from;
  item->header.sizeBytes = sizeBytes;
  item->header.sizeText = std::to_string(atoi(sizeBytes) / 1000 + 1) + " KB";
  ComputeSortKeys(*item);
  item->timeKey = time;
  return item;
}

std::vector<std::string> Subjects(const CMailListModel& model) {
  std::vector<std::string> subjects;
  for (int row = 0; row < model.GetCount(); ++row) subjects.push_back(model.GetItem(row)->header.subject);
  return subjects;
}

using Strings = std::vector<std::string>;

TEST(MailListModel, EqualKeysKeepArrivalOrderAndUnknownColumnAppends) {
  CMailListModel model({"a"});
  model.SetSortState(3, true);
  model.Insert(Item(0, "late", "", 20));
  model.Insert(Item(0, "first", "", 10));
  model.Insert(Item(0, "second", "", 10));
  model.Insert(Item(0, "third", "", 10));
  EXPECT_EQ((Strings{"first", "second", "third", "late"}), Subjects(model));

  model.SetSortState(3, false);
  model.Sort();
  model.Insert(Item(0, "fourth", "", 10));
  EXPECT_EQ((Strings{"late", "first", "second", "third", "fourth"}), Subjects(model));

  CMailListModel unsorted({"a"});
  unsorted.SetSortState(7, true);
  unsorted.Insert(Item(0, "b", "", 2, "9"));
  unsorted.Insert(Item(0, "a", "", 1, "1"));
  unsorted.Insert(Item(0, "c", "", 3, "5"));
  EXPECT_EQ((Strings{"b", "a", "c"}), Subjects(unsorted));
}

TEST(MailListModel, SizeByBytesAndAccountByFoldedName) {
  CMailListModel model({"Beta", "alpha", "BETA"});
  model.SetSortState(4, true);
  model.Insert(Item(0, "big", "", 0, "999"));
  model.Insert(Item(0, "small", "", 0, "5"));
  model.Insert(Item(0, "two", "", 0, "1000"));
  EXPECT_EQ((Strings{"small", "big", "two"}), Subjects(model));
  EXPECT_EQ("1 KB", model.GetRowTexts(*model.GetItem(0))[4]);
  EXPECT_EQ("1 KB", model.GetRowTexts(*model.GetItem(1))[4]);

  model.SetSortState(0, true);
  model.Sort();
  model.Insert(Item(2, "upper beta"));
  model.Insert(Item(1, "alpha"));
  // "alpha" first although 'B' < 'a' in plain byte order; the two beta names
  // compare equal, so the later one goes after every row of the other.
  EXPECT_EQ((Strings{"alpha", "small", "big", "two", "upper beta"}), Subjects(model));
  EXPECT_EQ("BETA", model.GetRowTexts(*model.GetItem(4))[0]);
}

TEST(MailListModel, MarkingRestoresTextsAndGathersInDisplayOrder) {
  CMailListModel model({"one", "two"});
  model.SetSortState(1, false);  // subjects descending
  model.Insert(Item(0, "a"));
  model.Insert(Item(1, "c"));
  model.Insert(Item(0, "d"));
  model.Insert(Item(0, "b"));
  for (int row = 0; row < 4; ++row) model.GetItem(row)->messageNumber = 10 + row;  // d c b a
  std::vector<std::vector<int>> lists;
  EXPECT_EQ(0, model.BuildDeleteLists(lists));
  EXPECT_EQ((std::vector<std::vector<int>>{{}, {}}), lists);

  const CMailListModel::RowTexts before = model.GetRowTexts(*model.GetItem(2));
  EXPECT_EQ((std::vector<int>{0, 2, 3}), model.SetMarked({0, 2, 3}, true));
  EXPECT_EQ((std::vector<int>{}), model.SetMarked({0, 3}, true));  // already marked
  EXPECT_EQ((CMailListModel::RowTexts{"(Deleted)", "", "", "", ""}), model.GetRowTexts(*model.GetItem(2)));
  EXPECT_EQ(3, model.BuildDeleteLists(lists));
  EXPECT_EQ((std::vector<std::vector<int>>{{10, 12, 13}, {}}), lists);

  EXPECT_EQ((std::vector<int>{2}), model.SetMarked({1, 2}, false));  // row 1 was never marked
  EXPECT_EQ(before, model.GetRowTexts(*model.GetItem(2)));
  model.SetSortState(1, true);
  model.Sort();  // a b c d: display order decides the list order
  EXPECT_EQ(2, model.BuildDeleteLists(lists));
  EXPECT_EQ((std::vector<std::vector<int>>{{13, 10}, {}}), lists);
}

// The user's locale orders the texts: accents beside their letters, any
// script, case ignored, so texts equal but for case keep their arrival order.
TEST(MailListModel, UnicodeTextsSortByTheUserLocaleIgnoringCase) {
  CMailListModel model({u8"Zürich", u8"ärzte", u8"ÄRZTE", "Bern"});
  model.SetSortState(2, true);
  const Strings arrivals = {u8"zebra",  u8"Éclair", u8"éclair", u8"Яблоко", u8"apple",
                            u8"яблоко", u8"Eclair", u8"ωmega",  u8"Ωmega"};
  for (const std::string& from : arrivals) model.Insert(Item(0, from.c_str(), from.c_str()));
  const Strings sorted = {u8"apple", u8"Eclair", u8"Éclair", u8"éclair", u8"zebra",
                          u8"ωmega", u8"Ωmega",  u8"Яблоко", u8"яблоко"};
  EXPECT_EQ(sorted, Subjects(model));
  model.SetSortState(1, false);
  model.Sort();
  EXPECT_EQ((Strings{u8"Яблоко", u8"яблоко", u8"ωmega", u8"Ωmega", u8"zebra", u8"Éclair", u8"éclair",
                     u8"Eclair", u8"apple"}),
            Subjects(model));

  model.SetSortState(0, true);
  model.Clear();
  for (int account : {0, 1, 2, 3}) model.Insert(Item(account, std::to_string(account).c_str()));
  EXPECT_EQ((Strings{"1", "2", "3", "0"}), Subjects(model));  // ärzte = ÄRZTE, Bern, Zürich
}

// The binary search must put every row exactly where a scan from the top,
// stopping at the first row that compares after the new one, would put it.
TEST(MailListModel, BinarySearchMatchesLinearScanOnEveryColumnAndDirection) {
  const char* const kTexts[] = {"",          "a",        "A",       "ab",       "Ab",         "b",
                                "B ",        "_x",       u8"été",   u8"ÉTÉ",    u8"ete",      u8"straße",
                                u8"STRASSE", u8"Ωmega",  u8"ωMEGA", u8"Яблоко", u8"яблоко",   u8"日本語",
                                u8"にほん",  u8"ニホン", u8"a😀",    u8"A😁",     u8"İstanbul", u8"istanbul"};
  const int kTextCount = static_cast<int>(sizeof kTexts / sizeof kTexts[0]);
  std::mt19937 random(1234);
  auto pick = [&](int n) { return static_cast<int>(random() % n); };
  for (int column = -1; column <= 5; ++column) {
    for (int ascending = 0; ascending <= 1; ++ascending) {
      CMailListModel model({"Work", "work", "Home", u8"été", u8"ÉTÉ", u8"Почта"});
      std::vector<const MailItem*> reference;
      model.SetSortState(column, ascending != 0);
      for (int n = 0; n < 600; ++n) {
        if (n == 300) {  // a re-sort by another column halfway
          model.SetSortState((column + 2) % 5, ascending == 0);
          model.Sort();
          reference.clear();
          for (int row = 0; row < model.GetCount(); ++row) reference.push_back(model.GetItem(row));
          model.SetSortState(column, ascending != 0);
          model.Sort();
          std::stable_sort(reference.begin(), reference.end(), [&](const MailItem* a, const MailItem* b) {
            return model.CompareItems(*a, *b) < 0;
          });
        }
        auto item = Item(pick(6), kTexts[pick(kTextCount)], kTexts[pick(kTextCount)], pick(5) * 3600LL,
                         std::to_string(pick(4) * 500).c_str());
        size_t scan = 0;
        while (scan < reference.size() && model.CompareItems(*item, *reference[scan]) >= 0) ++scan;
        reference.insert(reference.begin() + scan, item.get());
        ASSERT_EQ(static_cast<int>(scan), model.Insert(std::move(item))) << "column " << column << " n " << n;
      }
      for (int row = 0; row < model.GetCount(); ++row) ASSERT_EQ(reference[row], model.GetItem(row));
    }
  }
}

}  // namespace
