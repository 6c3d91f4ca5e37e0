// CMailListModel: ordering, marking and gathering of the View Mail rows.
#include "viewer/MailListModel.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "framework/WideText.h"
#include "pop3/AnsiCodePage.h"
#include "viewer/MailDate.h"

namespace {

// A text as UTF-16 for the comparison, on the stack when it fits: decoded
// values and account names always do, and sorting compares them often.
class CompareKey {
 public:
  explicit CompareKey(const std::string& utf8) {
    int size = static_cast<int>(utf8.size());
    m_nLength = size == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, m_small, kSmall);
    m_pText = m_small;
    if (m_nLength == 0 && size > 0) {
      m_large = Utf8ToWide(utf8);
      m_pText = m_large.c_str();
      m_nLength = static_cast<int>(m_large.size());
    }
  }
  CompareKey(const CompareKey&) = delete;
  CompareKey& operator=(const CompareKey&) = delete;
  const WCHAR* text() const { return m_pText; }
  int length() const { return m_nLength; }

 private:
  static const int kSmall = 256;
  WCHAR m_small[kSmall];
  std::wstring m_large;
  const WCHAR* m_pText;
  int m_nLength;
};

// The order of the user's locale with its own case folding, as the user's
// other programs list these texts: an accented "eclair" beside "Eclair" and
// before "zebra", in any script. The system's code page plays no part, and
// texts that differ only in case compare equal, so they keep their arrival
// order.
int CompareNoCase(const std::string& a, const std::string& b) {
  CompareKey ka(a), kb(b);
  int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, ka.text(), ka.length(), kb.text(),
                               kb.length(), nullptr, nullptr, 0);
  // Only arguments the call refuses fail; then the code units decide, still one consistent order.
  if (result == 0) result = CompareStringOrdinal(ka.text(), ka.length(), kb.text(), kb.length(), TRUE);
  return result == 0 ? 0 : result - CSTR_EQUAL;
}

template <class T>
int CompareValues(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

// The Received key comes from mktime: with a 32-bit time_t every date from
// 19 January 2038 on would be -1 and sort as the oldest (the build asks MinGW
// for 64-bit time on 32-bit Windows as well).
static_assert(sizeof(time_t) == 8, "time_t must be 64 bits on every build");

void ComputeSortKeys(MailItem& item) {
  struct tm copy = item.header.received;  // mktime normalises what it is given
  item.timeKey = static_cast<long long>(mktime(&copy));
  item.sizeKey = 0;
  sscanf(item.header.sizeBytes.c_str(), "%d", &item.sizeKey);
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
      c = CompareNoCase(AccountName(a.accountIndex), AccountName(b.accountIndex));
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

void CMailListModel::Remove(int row) {
  if (row >= 0 && row < GetCount()) m_rows.erase(m_rows.begin() + row);
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
  // The C library writes the date in the ANSI code page of the user's locale.
  return RowTexts{AccountName(item.accountIndex), h.subject, h.from, AnsiToUtf8(FormatMailDate(h.received)),
                  h.sizeText};
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
