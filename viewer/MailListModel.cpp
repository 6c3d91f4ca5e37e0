// CMailListModel: ordering, marking and gathering of the View Mail rows.
#include "viewer/MailListModel.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "viewer/MailDate.h"

namespace {

int FoldCase(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? u - 'A' + 'a' : u;
}

// ASCII letters only, whatever the C locale: the order must not change with
// the user's regional settings between two comparisons.
int CompareNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int ca = FoldCase(*a);
    int cb = FoldCase(*b);
    if (ca != cb || ca == 0) return ca - cb;
  }
}

template <class T>
int CompareValues(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

void ComputeSortKeys(MailItem& item) {
  struct tm copy = item.header.received;  // mktime normalises what it is given
  item.timeKey = static_cast<long long>(mktime(&copy));
  item.sizeKey = 0;
  sscanf(item.header.sizeBytes, "%d", &item.sizeKey);
}

CMailListModel::CMailListModel(std::vector<std::string> accountNames)
    : m_accountNames(std::move(accountNames)) {}

void CMailListModel::SetSortState(int column, bool ascending) {
  m_nSortColumn = column;
  m_bSortAscending = ascending;
}

const std::string& CMailListModel::AccountName(int accountIndex) const {
  static const std::string kNone;
  if (accountIndex < 0 || accountIndex >= static_cast<int>(m_accountNames.size())) return kNone;
  return m_accountNames[accountIndex];
}

int CMailListModel::CompareItems(const MailItem& a, const MailItem& b) const {
  int c = 0;
  switch (m_nSortColumn) {
    case 0:
      c = CompareNoCase(AccountName(a.accountIndex).c_str(), AccountName(b.accountIndex).c_str());
      break;
    case 1:
      c = CompareNoCase(a.header.subject, b.header.subject);
      break;
    case 2:
      c = CompareNoCase(a.header.from, b.header.from);
      break;
    case 3:
      c = CompareValues(a.timeKey, b.timeKey);
      break;
    case 4:
      c = CompareValues(a.sizeKey, b.sizeKey);
      break;
    default:
      return 0;
  }
  return m_bSortAscending ? c : -c;
}

int CMailListModel::InsertPosition(const MailItem& item) const {
  auto after = std::upper_bound(m_rows.begin(), m_rows.end(), &item,
                                [this](const MailItem* value, const std::unique_ptr<MailItem>& row) {
                                  return CompareItems(*value, *row) < 0;
                                });
  return static_cast<int>(after - m_rows.begin());
}

int CMailListModel::Insert(std::unique_ptr<MailItem> item) {
  int row = InsertPosition(*item);
  m_rows.insert(m_rows.begin() + row, std::move(item));
  return row;
}

void CMailListModel::Sort() {
  std::stable_sort(m_rows.begin(), m_rows.end(),
                   [this](const std::unique_ptr<MailItem>& a, const std::unique_ptr<MailItem>& b) {
                     return CompareItems(*a, *b) < 0;
                   });
}

MailItem* CMailListModel::GetItem(int row) const {
  if (row < 0 || row >= GetCount()) return nullptr;
  return m_rows[row].get();
}

CMailListModel::RowTexts CMailListModel::GetRowTexts(const MailItem& item) const {
  if (item.header.marked) return RowTexts{"(Deleted)", "", "", "", ""};
  const MailHeader& h = item.header;
  return RowTexts{AccountName(item.accountIndex), h.subject, h.from, FormatMailDate(h.received), h.sizeText};
}

std::vector<int> CMailListModel::SetMarked(const std::vector<int>& rows, bool marked) {
  std::vector<int> changed;
  for (int row : rows) {
    MailItem* item = GetItem(row);
    if (!item || item->header.marked == marked) continue;
    item->header.marked = marked;
    changed.push_back(row);
  }
  return changed;
}

int CMailListModel::BuildDeleteLists(std::vector<std::vector<int>>& lists) const {
  lists.assign(m_accountNames.size(), std::vector<int>());
  int count = 0;
  for (const std::unique_ptr<MailItem>& item : m_rows) {
    if (!item->header.marked) continue;
    if (item->accountIndex < 0 || item->accountIndex >= static_cast<int>(lists.size())) continue;
    lists[item->accountIndex].push_back(item->messageNumber);
    ++count;
  }
  return count;
}
