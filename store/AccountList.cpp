// Account list: slots, the active snapshot, totals, and persistence in section "Accounts".
#include "store/AccountList.h"

#include <cstring>

#include "framework/Format.h"
#include "store/RegistryKey.h"

// Defined beside the class so that every program and test linking the store has it.
CAccountList* g_pAccountList = nullptr;

namespace {

const char kProgram[] = "Tidewell";
const char kSection[] = "Accounts";

// Cuts one text to what a stored value can hold (null stays null).
void CutField(CAccount& target, const char* text, void (CAccount::*set)(const char*)) {
  if (!text || strlen(text) <= static_cast<size_t>(CRegistryKey::kMaxText)) return;
  const std::string cut(text, CRegistryKey::kMaxText);
  (target.*set)(cut.c_str());
}

// The account as the registry will hold it, so that the live record equals what
// the next start loads.
CAccount StoredForm(const CAccount& account) {
  CAccount stored(account);
  CutField(stored, account.name(), &CAccount::SetName);
  CutField(stored, account.host(), &CAccount::SetHost);
  CutField(stored, account.user(), &CAccount::SetUser);
  CutField(stored, account.password(), &CAccount::SetPassword);
  return stored;
}

}  // namespace

CAccountList::CAccountList() {
  Load();
}

void CAccountList::Load() {
  CRegistryKey key;
  key.Open(kProgram, kSection);
  for (int i = 0;; ++i) {
    const std::string host = key.ReadString(IndexedName("Host", i).c_str(), "");
    if (host.empty()) break;
    const int port = key.ReadDword(IndexedName("Port", i).c_str(), CAccount::kPlainPort);
    const std::string name = key.ReadString(IndexedName("Name", i).c_str(), "");
    const int ssl = key.ReadDword(IndexedName("SSL", i).c_str(), 0);
    const std::string user = key.ReadString(IndexedName("User", i).c_str(), "");
    const std::string password =
        ScramblePassword(key.ReadString(IndexedName("Password", i).c_str(), "").c_str(), false);
    const int deleted = key.ReadDword(IndexedName("Deleted", i).c_str(), 0);
    const int disabled = key.ReadDword(IndexedName("Disabled", i).c_str(), 0);

    auto account = std::make_unique<CAccount>();
    account->SetHost(host.c_str());
    account->SetName(name.c_str());
    account->SetSsl(ssl == 1);
    account->SetPort(port);  // after SetSsl, which resets the port
    account->SetUser(user.c_str());
    account->SetPassword(password.c_str());
    account->SetDeleted(deleted == 1);
    account->SetDisabled(disabled == 1);
    account->SetTrustedCertificate(ReadTrust(key, i));
    m_accounts.push_back(std::move(account));
  }
  m_bAllFailed = false;
}

int CAccountList::GetCount() {
  CReadLock lock(m_lock);
  return static_cast<int>(m_accounts.size());
}

CAccount CAccountList::GetAt(int index) {
  CReadLock lock(m_lock);
  return IsSlot(index) ? *m_accounts[index] : CAccount();
}

int CAccountList::Add(const CAccount& account) {
  CWriteLock lock(m_lock);
  const int n = static_cast<int>(m_accounts.size());
  int slot = 0;
  while (slot < n && !m_accounts[slot]->deleted()) ++slot;
  if (slot == n) m_accounts.push_back(std::make_unique<CAccount>(StoredForm(account)));
  // A reused slot keeps its runtime counts; Save assigns only the stored fields.
  Save(slot, account, slot == n);
  // A reused slot must not keep trusting the certificate of its old server.
  WriteTrust(slot, account.trustedCertificate());
  return slot;
}

void CAccountList::Save(int index, const CAccount& account, bool isNew) {
  CWriteLock lock(m_lock);
  if (!IsSlot(index)) return;
  const CAccount stored = StoredForm(account);
  WriteSlot(index, stored);
  if (isNew) return;
  CAccount& live = *m_accounts[index];
  // The trusted certificate belongs to a server: another server starts afresh.
  const char* host = live.host() ? live.host() : "";
  if (live.port() != stored.port() || strcmp(host, stored.host() ? stored.host() : "") != 0)
    WriteTrust(index, "");
  live.Assign(stored);
}

void CAccountList::WriteSlot(int index, const CAccount& account) {
  CRegistryKey key;
  key.Open(kProgram, kSection);
  key.WriteString(IndexedName("Name", index).c_str(), account.name());
  key.WriteDword(IndexedName("SSL", index).c_str(), account.ssl() ? 1 : 0);
  key.WriteString(IndexedName("Host", index).c_str(), account.host());
  key.WriteDword(IndexedName("Port", index).c_str(), account.port());
  key.WriteString(IndexedName("User", index).c_str(), account.user());
  key.WriteString(IndexedName("Password", index).c_str(), ScramblePassword(account.password(), true).c_str());
  key.WriteDword(IndexedName("Deleted", index).c_str(), account.deleted() ? 1 : 0);
  key.WriteDword(IndexedName("Disabled", index).c_str(), account.disabled() ? 1 : 0);
}

void CAccountList::MarkDeleted(int index) {
  CWriteLock lock(m_lock);
  if (!IsSlot(index)) return;
  CRegistryKey key;
  key.Open(kProgram, kSection);
  key.WriteDword(IndexedName("Deleted", index).c_str(), 1);
  m_accounts[index]->SetDeleted(true);
}

void CAccountList::SnapshotActive(std::vector<CAccount*>& out) {
  CReadLock lock(m_lock);
  out.clear();
  for (auto& account : m_accounts)
    if (account->IsActive()) out.push_back(account.get());
}

void CAccountList::GetFailState(bool& wasAllFailed, bool& allFailedNow) {
  // Exclusive although it only reads accounts: it writes m_bAllFailed.
  CWriteLock lock(m_lock);
  wasAllFailed = m_bAllFailed;
  allFailedNow = true;
  for (auto& account : m_accounts)
    if (account->IsActive() && !account->HasError()) allFailedNow = false;
  m_bAllFailed = allFailedNow;
}

void CAccountList::GetTotals(int& previousTotal, int& currentTotal) {
  // Exclusive: TakeCounts moves each current count into the previous one.
  CWriteLock lock(m_lock);
  previousTotal = 0;
  currentTotal = 0;
  for (auto& account : m_accounts) {
    if (!account->IsActive()) continue;
    int previous = 0, current = 0;
    account->TakeCounts(previous, current);
    previousTotal += previous;
    currentTotal += current;
  }
}

bool CAccountList::CopyConnection(const CAccount* account, AccountConnection& out) {
  CReadLock lock(m_lock);
  for (auto& record : m_accounts) {
    if (record.get() != account) continue;
    out.name = record->name() ? record->name() : "";
    out.host = record->host() ? record->host() : "";
    out.user = record->user() ? record->user() : "";
    out.password = record->password() ? record->password() : "";
    out.port = record->port();
    out.ssl = record->ssl();
    return true;
  }
  return false;
}

std::string CAccountList::IndexedName(const char* base, int index) {
  const size_t kMaxName = 255;
  std::string name = index == 0 ? std::string(base) : Format("%s_%d", base, index);
  if (name.size() > kMaxName) name.resize(kMaxName);
  return name;
}

std::string CAccountList::ScramblePassword(const char* text, bool encode) {
  // Each key byte lies in 0xE1..0xFF (-31..-1 as a signed byte), so only a
  // control character 1..31 can scramble to 0, which would end the stored text.
  // The account dialog refuses control characters.
  const char key[4] = {static_cast<char>(0xE9), static_cast<char>(0xF4), static_cast<char>(0xE3),
                       static_cast<char>(0xFA)};
  const size_t keyLength = sizeof key;
  size_t n = text ? strlen(text) : 0;
  if (n > static_cast<size_t>(CRegistryKey::kMaxText)) n = CRegistryKey::kMaxText;
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) {
    const int k = static_cast<signed char>(key[i % keyLength]);
    const int c = static_cast<unsigned char>(text[i]);
    out[i] = static_cast<char>((encode ? c + k : c - k) & 0xFF);
  }
  return out;
}
