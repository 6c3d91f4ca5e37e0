// The account list's trusted server certificates: one value per slot beside the
// eight, read at load and changed only here, under the list's exclusive lock;
// and the decision that the mail check and View Mail share.
#include "store/AccountTrust.h"

#include <climits>
#include <cstring>

#include "framework/Format.h"
#include "store/AccountJournal.h"
#include "store/AccountList.h"
#include "store/AccountSlot.h"
#include "store/RegistryKey.h"

namespace {

const char kProgram[] = "Tidewell";
const char kSection[] = "Accounts";

}  // namespace

// Caller holds the lock exclusive.
void CAccountList::WriteTrust(int index, const std::string& fingerprint) {
  if (!IsSlot(index) || m_accounts[index]->unreadable()) return;
  // A committed save still waiting to be copied in would bring the old value back.
  if (CAccountJournal(kProgram, kSection).Finish(INT_MAX) != -1) return;
  CRegistryKey key;
  key.Open(kProgram, kSection);
  key.WriteString(IndexedName(kTrustValueName, index).c_str(), fingerprint.c_str());
  m_accounts[index]->SetTrustedCertificate(fingerprint);
}

std::string CAccountList::TrustedCertificate(const CAccount* account) {
  CReadLock lock(m_lock);
  for (auto& record : m_accounts)
    if (record.get() == account) return record->trustedCertificate();
  return std::string();
}

bool CAccountList::TrustOnFirstUse(const CAccount* account, const std::string& fingerprint,
                                   std::string& trusted) {
  // Exclusive from the look to the write: of two connections that meet an
  // untrusted account at once, one stores and the other compares with it.
  CWriteLock lock(m_lock);
  trusted.clear();
  for (size_t i = 0; i < m_accounts.size(); ++i) {
    if (m_accounts[i].get() != account) continue;
    trusted = account->trustedCertificate();
    if (!trusted.empty() || fingerprint.empty()) return false;
    WriteTrust(static_cast<int>(i), fingerprint);
    trusted = fingerprint;
    return true;
  }
  return false;
}

void CAccountList::SetTrustedCertificate(int index, const std::string& fingerprint) {
  CWriteLock lock(m_lock);
  WriteTrust(index, fingerprint);
}

TrustVerdict DecideTrust(bool chainTrusted, const std::string& trusted, const std::string& presented) {
  if (chainTrusted) return TrustVerdict::Trusted;
  // A certificate whose fingerprint could not be taken can be neither stored nor compared.
  if (presented.empty()) return TrustVerdict::Changed;
  if (trusted.empty()) return TrustVerdict::FirstUse;
  // Stored by this program, so the same form; a hand-edited value may differ in case.
  return _stricmp(trusted.c_str(), presented.c_str()) == 0 ? TrustVerdict::Pinned : TrustVerdict::Changed;
}

std::string CAccountList::JudgeServerCertificate(const CAccount* account, const std::string& name,
                                                 bool chainTrusted, const std::string& presented,
                                                 const std::function<void(const std::string&)>& log) {
  std::string trusted = TrustedCertificate(account);
  TrustVerdict verdict = DecideTrust(chainTrusted, trusted, presented);
  // Another connection (or the user) may have stored one since the look; a
  // record that is not the list's can store nothing and trusts nothing.
  if (verdict == TrustVerdict::FirstUse && !TrustOnFirstUse(account, presented, trusted))
    verdict = trusted.empty() ? TrustVerdict::Changed : DecideTrust(false, trusted, presented);
  switch (verdict) {
    case TrustVerdict::Trusted:
    case TrustVerdict::Pinned:
      return std::string();
    case TrustVerdict::FirstUse:
      log(Format("Trusting the server's certificate for %s on first use: %s", name.c_str(),
                 presented.c_str()));
      return std::string();
    case TrustVerdict::Changed:
      break;
  }
  // Two lines: the log cuts a line at 255 characters, and each fingerprint takes 95.
  log(Format("The server's certificate for %s has changed: trusted %s", name.c_str(),
             trusted.empty() ? "none" : trusted.c_str()));
  log(Format("The server's certificate for %s has changed: presented %s", name.c_str(), presented.c_str()));
  return Format("The server's certificate for %s has changed", name.c_str());
}
