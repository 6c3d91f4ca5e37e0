// Account list: slots, the active snapshot, totals, and persistence in section "Accounts".
#include "store/AccountList.h"

#include <climits>
#include <cstring>

#include "framework/Format.h"
#include "store/AccountJournal.h"
#include "store/AccountSlot.h"
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
  // The slots are numbered without gaps: the first one without a Host value ends them.
  int present = 0;
  std::string host;
  while (key.ReadText(IndexedName("Host", present).c_str(), host) != CRegistryKey::Found::Missing) ++present;
  CAccountJournal journal(kProgram, kSection);
  const int pending = journal.Finish(present);
  CRegistryKey pendingKey;
  if (pending >= 0) journal.OpenJournal(pendingKey);
  for (int i = 0;; ++i) {
    auto account = std::make_unique<CAccount>();
    // A slot whose committed values could not be copied in is read from the journal.
    const SlotFound found =
        i == pending ? ReadAccountSlot(pendingKey, 0, *account) : ReadAccountSlot(key, i, *account);
    if (found == SlotFound::Missing) break;
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
  CAccount stored = StoredForm(account);
  // The new account's own trusted certificate (none, from the dialog) is saved
  // with it: a reused slot must not keep trusting its old server's.
  if (!WriteSlot(slot, stored)) return -1;
  if (slot == n) {
    m_accounts.push_back(std::make_unique<CAccount>(stored));
  } else {
    m_accounts[slot]->Assign(stored);  // a reused slot keeps its runtime counts
    m_accounts[slot]->SetTrustedCertificate(stored.trustedCertificate());
  }
  return slot;
}

bool CAccountList::Save(int index, const CAccount& account, bool isNew) {
  CWriteLock lock(m_lock);
  if (!IsSlot(index) || m_accounts[index]->unreadable()) return false;
  CAccount stored = StoredForm(account);
  CAccount& live = *m_accounts[index];
  // The trusted certificate belongs to a server: another server starts afresh;
  // the same one keeps the live record's, which a check may have stored since
  // the caller took its copy.
  if (!isNew) {
    const char* host = live.host() ? live.host() : "";
    const bool sameServer =
        live.port() == stored.port() && strcmp(host, stored.host() ? stored.host() : "") == 0;
    stored.SetTrustedCertificate(sameServer ? live.trustedCertificate() : std::string());
  }
  if (!WriteSlot(index, stored)) return false;
  if (isNew) return true;
  live.Assign(stored);
  live.SetTrustedCertificate(stored.trustedCertificate());
  return true;
}

bool CAccountList::WriteSlot(int index, const CAccount& account) {
  CAccountJournal journal(kProgram, kSection);
  return journal.Save(index, [&account](CRegistryKey& key) { return WriteAccountSlot(key, 0, account); });
}

bool CAccountList::MarkDeleted(int index) {
  CWriteLock lock(m_lock);
  if (!IsSlot(index) || m_accounts[index]->unreadable()) return false;
  // A committed save of the slot still waiting to be copied would undo the mark.
  CAccountJournal journal(kProgram, kSection);
  if (journal.Finish(INT_MAX) != -1) return false;
  CRegistryKey key;
  if (!key.Open(kProgram, kSection) || !key.TryWriteDword(IndexedName("Deleted", index).c_str(), 1))
    return false;
  m_accounts[index]->SetDeleted(true);
  return true;
}

std::vector<int> CAccountList::UnreadableSlots() {
  CReadLock lock(m_lock);
  std::vector<int> slots;
  for (size_t i = 0; i < m_accounts.size(); ++i)
    if (m_accounts[i]->unreadable()) slots.push_back(static_cast<int>(i));
  return slots;
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

int CAccountList::CountFailedActive() {
  CReadLock lock(m_lock);
  int failed = 0;
  for (auto& account : m_accounts)
    if (account->IsActive() && account->HasError()) ++failed;
  return failed;
}

int CAccountList::CountKept() {
  CReadLock lock(m_lock);
  int kept = 0;
  for (auto& account : m_accounts)
    if (!account->deleted()) ++kept;
  return kept;
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
