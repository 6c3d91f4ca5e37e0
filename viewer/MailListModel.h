// CMailListModel: the rows of the View Mail window in display order, their
// comparison under the sort state, insertion, marking and the gathering of
// the marked messages. No window code: the window mirrors what it says. Its
// texts are UTF-8.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "viewer/MailItem.h"

class CMailListModel {
 public:
  static const int kColumnCount = 5;
  using RowTexts = std::array<std::string, kColumnCount>;

  // Names of the accounts by position (UTF-8), for column 0 and its sort key.
  explicit CMailListModel(std::vector<std::string> accountNames);

  void SetSortState(int column, bool ascending);
  int sortColumn() const { return m_nSortColumn; }
  bool sortAscending() const { return m_bSortAscending; }

  // < 0: a before b, 0: equal, > 0: a after b. Texts compare in the user's
  // locale without regard to case; a column outside 0-4 makes every pair
  // equal.
  int CompareItems(const MailItem& a, const MailItem& b) const;
  // The first row that compares after item, found by binary search; the
  // rows are always sorted under the current state, so this is where a scan
  // from the top would stop: after every row equal to item.
  int InsertPosition(const MailItem& item) const;
  // Takes the item over; returns its row.
  int Insert(std::unique_ptr<MailItem> item);
  // Takes the row out and frees its item.
  void Remove(int row);
  // Re-orders every row under the current sort state; equal rows keep
  // their order.
  void Sort();
  void Clear() { m_rows.clear(); }

  int GetCount() const { return static_cast<int>(m_rows.size()); }
  MailItem* GetItem(int row) const;
  // The five column texts; a marked row shows "(Deleted)" and nothing else.
  RowTexts GetRowTexts(const MailItem& item) const;
  const std::string& AccountName(int accountIndex) const;

  // Marks (or unmarks) the given rows; returns those whose mark changed,
  // whose texts the window rewrites.
  std::vector<int> SetMarked(const std::vector<int>& rows, bool marked);
  // One list per account position of the marked message numbers, in display
  // order; returns how many there are.
  int BuildDeleteLists(std::vector<std::vector<int>>& lists) const;

 private:
  std::vector<std::string> m_accountNames;
  std::vector<std::unique_ptr<MailItem>> m_rows;
  int m_nSortColumn = 3;
  bool m_bSortAscending = true;
};
