// The journal that makes saving an account slot all or nothing.
#include "store/AccountJournal.h"

#include <climits>
#include <vector>

#include "store/AccountList.h"
#include "store/RegistryKey.h"

namespace {

// Written last: its presence is the commit. Not a per-slot base name.
const char kCommitMark[] = "CommittedSlot";

}  // namespace

CAccountJournal::CAccountJournal(const char* program, const char* section)
    : m_program(program), m_section(section), m_journal(std::string(section) + "\\Saving") {}

bool CAccountJournal::OpenJournal(CRegistryKey& key) const {
  return key.OpenExisting(m_program.c_str(), m_journal.c_str());
}

bool CAccountJournal::Save(int index, const std::function<bool(CRegistryKey&)>& write) {
  // A commit whose copy failed earlier goes into place first, or it would be lost.
  if (Finish(INT_MAX) != -1) return false;
  CRegistryKey::DeleteSection(m_program.c_str(), m_journal.c_str());
  CRegistryKey journal;
  // Whatever a failed attempt left must not count as committed.
  bool committed = journal.Open(m_program.c_str(), m_journal.c_str()) &&
                   journal.TryDeleteValue(kCommitMark) && write(journal) &&
                   journal.TryWriteDword(kCommitMark, index);
  if (!committed) {
    journal.Close();
    CRegistryKey::DeleteSection(m_program.c_str(), m_journal.c_str());
    return false;
  }
  // Committed: should the copy fail, the next save or start finishes it.
  if (CopyInto(journal, index)) {
    journal.Close();
    CRegistryKey::DeleteSection(m_program.c_str(), m_journal.c_str());
  }
  return true;
}

int CAccountJournal::Finish(int lastSlot) {
  CRegistryKey journal;
  if (!OpenJournal(journal)) return -1;
  int index = -1;
  if (journal.ReadNumber(kCommitMark, index) != CRegistryKey::Found::Read || index < 0 || index > lastSlot) {
    journal.Close();
    CRegistryKey::DeleteSection(m_program.c_str(), m_journal.c_str());
    return -1;
  }
  if (!CopyInto(journal, index)) return index;
  journal.Close();
  CRegistryKey::DeleteSection(m_program.c_str(), m_journal.c_str());
  return -1;
}

bool CAccountJournal::CopyInto(CRegistryKey& journal, int index) {
  std::vector<CRegistryKey::Value> values;
  CRegistryKey slot;
  if (!journal.ReadAllValues(values) || !slot.Open(m_program.c_str(), m_section.c_str())) return false;
  for (const CRegistryKey::Value& value : values) {
    if (value.name == kCommitMark) continue;
    if (!slot.TryWriteValue(CAccountList::IndexedName(value.name.c_str(), index).c_str(), value.type,
                            value.data.data(), static_cast<DWORD>(value.data.size())))
      return false;
  }
  return true;
}
