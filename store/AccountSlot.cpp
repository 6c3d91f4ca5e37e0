// One account slot's values in the registry.
#include "store/AccountSlot.h"

#include "store/AccountList.h"
#include "store/RegistryKey.h"

const char kTrustValueName[] = "TrustedCertificate";

namespace {

// Reads the values of one slot and remembers whether any that is there could
// not be read: guessing it (plain TCP for an unreadable SSL flag, say) would
// change the account behind the user's back.
class CSlotReader {
 public:
  CSlotReader(const CRegistryKey& key, int index) : m_key(key), m_nIndex(index) {}

  std::string Text(const char* base) {
    std::string text;
    Note(m_key.ReadText(CAccountList::IndexedName(base, m_nIndex).c_str(), text));
    return text;
  }
  int Number(const char* base, int missing) {
    int value = missing;
    if (Note(m_key.ReadNumber(CAccountList::IndexedName(base, m_nIndex).c_str(), value)) != Found::Read)
      value = missing;
    return value;
  }
  bool AllRead() const { return m_bAllRead; }

 private:
  using Found = CRegistryKey::Found;
  Found Note(Found found) {
    if (found == Found::Unreadable) m_bAllRead = false;
    return found;
  }

  const CRegistryKey& m_key;
  int m_nIndex;
  bool m_bAllRead = true;
};

}  // namespace

SlotFound ReadAccountSlot(const CRegistryKey& key, int index, CAccount& account) {
  account = CAccount();
  std::string host;
  const CRegistryKey::Found hostFound = key.ReadText(CAccountList::IndexedName("Host", index).c_str(), host);
  if (hostFound == CRegistryKey::Found::Missing) return SlotFound::Missing;
  CSlotReader read(key, index);
  const int port = read.Number("Port", CAccount::kPlainPort);
  const std::string name = read.Text("Name");
  const int ssl = read.Number("SSL", 0);
  const std::string user = read.Text("User");
  const std::string password = CAccountList::ScramblePassword(read.Text("Password").c_str(), false);
  const int deleted = read.Number("Deleted", 0);
  const int disabled = read.Number("Disabled", 0);
  const std::string trusted = read.Text(kTrustValueName);  // missing (older versions): none
  if (hostFound != CRegistryKey::Found::Read || host.empty() || !read.AllRead()) {
    account.SetUnreadable(true);
    return SlotFound::Unreadable;
  }
  account.SetHost(host.c_str());
  account.SetName(name.c_str());
  account.SetSsl(ssl == 1);
  account.SetPort(port);  // after SetSsl, which resets the port
  account.SetUser(user.c_str());
  account.SetPassword(password.c_str());
  account.SetDeleted(deleted == 1);
  account.SetDisabled(disabled == 1);
  account.SetTrustedCertificate(trusted);
  return SlotFound::Read;
}

bool WriteAccountSlot(CRegistryKey& key, int index, const CAccount& account) {
  auto name = [index](const char* base) { return CAccountList::IndexedName(base, index); };
  return key.TryWriteString(name("Name").c_str(), account.name()) &&
         key.TryWriteDword(name("SSL").c_str(), account.ssl() ? 1 : 0) &&
         key.TryWriteString(name("Host").c_str(), account.host()) &&
         key.TryWriteDword(name("Port").c_str(), account.port()) &&
         key.TryWriteString(name("User").c_str(), account.user()) &&
         key.TryWriteString(name("Password").c_str(),
                            CAccountList::ScramblePassword(account.password(), true).c_str()) &&
         key.TryWriteDword(name("Deleted").c_str(), account.deleted() ? 1 : 0) &&
         key.TryWriteDword(name("Disabled").c_str(), account.disabled() ? 1 : 0) &&
         key.TryWriteString(name(kTrustValueName).c_str(), account.trustedCertificate().c_str());
}
