// Saving one account slot so that a crash at any point leaves either its old
// values or its new ones, never a mix. The new values go to a journal key first,
// under their base names (as slot 0 has them); one value naming the slot then
// commits them; they are copied into the slot and the journal removed. A load
// finishes a committed journal and drops one that was never committed.
#pragma once

#include <functional>
#include <string>

class CRegistryKey;

class CAccountJournal {
 public:
  CAccountJournal(const char* program, const char* section);

  // Writes slot index through the journal; write fills the journal key as if
  // it were slot 0, with every value the slot has. False when the new values
  // were not committed: the slot then holds its old values.
  bool Save(int index, const std::function<bool(CRegistryKey&)>& write);
  // Copies a committed journal into its slot and removes it; drops one that is
  // not committed or names a slot above lastSlot. Returns -1, or the slot whose
  // committed values are still only in the journal because copying them failed.
  int Finish(int lastSlot);
  // Opens the journal key as it stands (for reading a slot Finish could not copy).
  bool OpenJournal(CRegistryKey& key) const;

 private:
  bool CopyInto(CRegistryKey& journal, int index);

  std::string m_program, m_section, m_journal;
};
