// The trusted server certificate of each slot: its own value beside the eight,
// changed only by trust on first use and the user's choice.
#include "StoreTestSupport.h"
#include "store/AccountList.h"

namespace {

const char kAcc[] = "Accounts";
const std::string kFirst = "AA:01", kSecond = "BB:02";

CAccount Account(const char* host, int port = 995) {
  CAccount account;
  account.SetName(host);
  account.SetSsl(true);
  account.SetHost(host);
  account.SetPort(port);
  return account;
}

CAccount* FirstActive(CAccountList& list) {
  std::vector<CAccount*> active;
  list.SnapshotActive(active);
  return active.empty() ? nullptr : active[0];
}

class AccountTrustTest : public RegistryTest {};

// The first fingerprint is stored for good; a second one neither replaces it nor
// is stored; a record that is not the list's stores nothing.
TEST_F(AccountTrustTest, FirstUseStoresOnceAndLoadsBack) {
  {
    CAccountList list;
    list.Add(Account("a.example"));
    CAccount* a = FirstActive(list);
    std::string trusted;
    EXPECT_TRUE(list.TrustOnFirstUse(a, kFirst, trusted));
    EXPECT_EQ(kFirst, trusted);
    EXPECT_FALSE(list.TrustOnFirstUse(a, kSecond, trusted));
    EXPECT_EQ(kFirst, trusted);
    CAccount stranger;
    EXPECT_FALSE(list.TrustOnFirstUse(&stranger, kFirst, trusted));
    EXPECT_EQ("", list.TrustedCertificate(&stranger));
  }
  EXPECT_EQ(kFirst, raw::GetString(kAcc, "TrustedCertificate"));
  CAccountList loaded;
  EXPECT_EQ(kFirst, loaded.GetAt(0).trustedCertificate());
}

// Editing the name keeps the trust, another server (host or port) forgets it,
// and a deleted slot taken by a new account starts without its old trust.
TEST_F(AccountTrustTest, TrustFollowsTheServerNotTheSlot) {
  CAccountList list;
  list.Add(Account("a.example"));
  list.SetTrustedCertificate(0, kFirst);
  CAccount renamed = list.GetAt(0);
  renamed.SetName("renamed");
  list.Save(0, renamed, false);
  EXPECT_EQ(kFirst, list.GetAt(0).trustedCertificate());
  CAccount moved = list.GetAt(0);
  moved.SetPort(1995);
  list.Save(0, moved, false);
  EXPECT_EQ("", list.GetAt(0).trustedCertificate());
  EXPECT_EQ("", raw::GetString(kAcc, "TrustedCertificate"));

  list.SetTrustedCertificate(0, kSecond);
  list.MarkDeleted(0);
  EXPECT_EQ(0, list.Add(Account("b.example")));
  EXPECT_EQ("", list.GetAt(0).trustedCertificate());
  EXPECT_EQ("", raw::GetString(kAcc, "TrustedCertificate"));
}

// The verdict the check and View Mail share: what the system trusts passes and
// stores nothing; else the first certificate is stored, the same one (in any
// case) passes silently, and another is refused with both fingerprints logged.
TEST_F(AccountTrustTest, JudgementStoresTheFirstAndRefusesAnother) {
  CAccountList list;
  list.Add(Account("a.example"));
  CAccount* a = FirstActive(list);
  std::vector<std::string> log;
  auto judge = [&](bool chainTrusted, const std::string& fingerprint) {
    return list.JudgeServerCertificate(a, "Home", chainTrusted, fingerprint,
                                       [&](const std::string& line) { log.push_back(line); });
  };
  EXPECT_EQ("", judge(true, kFirst));
  EXPECT_EQ("", a->trustedCertificate());
  EXPECT_EQ("", judge(false, kFirst));
  EXPECT_EQ(kFirst, a->trustedCertificate());
  EXPECT_EQ("", judge(false, "aa:01"));
  EXPECT_EQ("", judge(true, kSecond));
  EXPECT_EQ("The server's certificate for Home has changed", judge(false, kSecond));
  EXPECT_NE("", judge(false, "")) << "a fingerprint that could not be taken";
  EXPECT_EQ((std::vector<std::string>{"Trusting the server's certificate for Home on first use: AA:01",
                                      "The server's certificate for Home has changed: trusted AA:01",
                                      "The server's certificate for Home has changed: presented BB:02"}),
            std::vector<std::string>(log.begin(), log.begin() + 3));
  EXPECT_EQ(kFirst, a->trustedCertificate());
}

}  // namespace
