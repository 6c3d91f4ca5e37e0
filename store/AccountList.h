// The one list of accounts, indexed by slot number, persisted in section "Accounts".
// Deleted slots stay in the list (and the registry) and are reused by the next Add.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/Account.h"
#include "store/ReadWriteLock.h"

class CRegistryKey;

class CAccountList {
 public:
  // Loads every slot up to the first one without a Host value, finishing a save
  // that a crash interrupted after it was committed. A slot that cannot be read
  // is kept as an unreadable record: never checked, shown, reused or written.
  CAccountList();
  CAccountList(const CAccountList&) = delete;
  CAccountList& operator=(const CAccountList&) = delete;

  int GetCount();
  // A copy of the record in slot index (a default record for a bad index).
  CAccount GetAt(int index);
  // Stores a copy in the first deleted slot, or a new one; returns the slot, or
  // -1 when the registry did not take it (nothing changed then).
  int Add(const CAccount& account);
  // Writes the slot's values, all or nothing; unless isNew, also assigns the
  // stored fields into the live record. False when nothing was changed.
  bool Save(int index, const CAccount& account, bool isNew);
  // False when the registry did not take the mark (the slot stays as it was).
  bool MarkDeleted(int index);
  // Slots whose stored values could not be read at load.
  std::vector<int> UnreadableSlots();
  // Live records of every active slot, in slot order; they stay valid for the life of the list.
  void SnapshotActive(std::vector<CAccount*>& out);
  void GetFailState(bool& wasAllFailed, bool& allFailedNow);
  // Active records whose last check failed.
  int CountFailedActive();
  // Slots the user keeps (not deleted), active or not: 0 before the first account.
  int CountKept();
  // Sums the counts of active records and starts a new comparison period.
  void GetTotals(int& previousTotal, int& currentTotal);
  // Copies the stored fields of a live record under the shared lock, so a worker
  // never reads a text that Save is replacing. False when the record is not ours.
  bool CopyConnection(const CAccount* account, AccountConnection& out);

  // Trusted server certificates (store/AccountTrust.cpp), in value
  // "TrustedCertificate" of each slot, which older versions ignore.
  // The fingerprint a live record trusts ("" for none, or for a record not ours).
  std::string TrustedCertificate(const CAccount* account);
  // Trust on first use: stores fingerprint for a live record that trusts none
  // yet. False when it trusts one already (handed out in trusted) or is not ours.
  bool TrustOnFirstUse(const CAccount* account, const std::string& fingerprint, std::string& trusted);
  // The user's choice for a slot: trust fingerprint, or forget the trust with "".
  void SetTrustedCertificate(int index, const std::string& fingerprint);
  // The verdict on the certificate an account's server presented, shared by
  // the mail check and View Mail: "" accepts it (storing it on first use),
  // any other text refuses it. Both outcomes are told to log with the
  // fingerprints.
  std::string JudgeServerCertificate(const CAccount* account, const std::string& name, bool chainTrusted,
                                     const std::string& fingerprint,
                                     const std::function<void(const std::string&)>& log);

  // Value name of one slot: the base name for slot 0, "%s_%d" from slot 1 on,
  // at most 255 characters (the registry's limit for a value name).
  static std::string IndexedName(const char* base, int index);
  // Reversible scrambling of a password. Input beyond kMaxText characters is cut.
  static std::string ScramblePassword(const char* text, bool encode);

 private:
  void Load();
  bool WriteSlot(int index, const CAccount& account);
  void WriteTrust(int index, const std::string& fingerprint);
  bool IsSlot(int index) const { return index >= 0 && index < static_cast<int>(m_accounts.size()); }

  std::vector<std::unique_ptr<CAccount>> m_accounts;  // records never move once created
  CReadWriteLock m_lock;
  bool m_bAllFailed = false;
};

// Defined by the application.
extern CAccountList* g_pAccountList;
