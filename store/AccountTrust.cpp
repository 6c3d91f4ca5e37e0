// The account list's trusted server certificates: one value per slot beside the
// eight, read at load and changed only here, under the list's exclusive lock.
#include "store/AccountList.h"

#include "store/RegistryKey.h"

namespace {

const char kProgram[] = "Tidewell";
const char kSection[] = "Accounts";
const char kTrustValue[] = "TrustedCertificate";

}  // namespace

std::string CAccountList::ReadTrust(CRegistryKey& key, int index) {
  return key.ReadString(IndexedName(kTrustValue, index).c_str(), "");
}

// Caller holds the lock exclusive.
void CAccountList::WriteTrust(int index, const std::string& fingerprint) {
  if (!IsSlot(index)) return;
  CRegistryKey key;
  key.Open(kProgram, kSection);
  key.WriteString(IndexedName(kTrustValue, index).c_str(), fingerprint.c_str());
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
