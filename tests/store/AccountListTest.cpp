// CAccountList: loading, slots, persistence and the check cycle's bookkeeping.
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "StoreTestSupport.h"
#include "store/AccountList.h"

namespace {

const char kAcc[] = "Accounts";

std::string Name(const char* base, int slot) {
  return CAccountList::IndexedName(base, slot);
}

// Writes one slot the way an earlier run of the program would have.
void StoreSlot(int slot, const std::string& host, const std::string& name = "n") {
  raw::SetString(kAcc, Name("Host", slot).c_str(), host);
  raw::SetString(kAcc, Name("Name", slot).c_str(), name);
}

CAccount MakeAccount(const std::string& host, bool ssl = false, int port = 110, const char* password = "pw") {
  CAccount account;
  account.SetName(("Name of " + host).c_str());
  account.SetSsl(ssl);
  account.SetHost(host.c_str());
  account.SetPort(port);
  account.SetUser("user");
  account.SetPassword(password);
  return account;
}

class AccountListTest : public RegistryTest {};

TEST(AccountListNames, SlotZeroUsesTheBaseNameOthersAnIndexSuffix) {
  EXPECT_EQ("Host", CAccountList::IndexedName("Host", 0));
  EXPECT_EQ("Host_1", CAccountList::IndexedName("Host", 1));
  EXPECT_EQ("Name_10", CAccountList::IndexedName("Name", 10));
  EXPECT_EQ("Deleted_12", CAccountList::IndexedName("Deleted", 12));
  const std::string longBase(400, 'b');
  EXPECT_EQ(255u, CAccountList::IndexedName(longBase.c_str(), 3).size());
}

TEST_F(AccountListTest, EmptyKeyGivesAnEmptyList) {
  CAccountList list;
  EXPECT_EQ(0, list.GetCount());
  std::vector<CAccount*> active{nullptr};
  list.SnapshotActive(active);
  EXPECT_TRUE(active.empty());
  int previous = -1, current = -1;
  list.GetTotals(previous, current);
  EXPECT_EQ(0, previous);
  EXPECT_EQ(0, current);
  bool was = true, now = false;
  list.GetFailState(was, now);
  EXPECT_FALSE(was);
  EXPECT_TRUE(now);
}

TEST_F(AccountListTest, LoadingStopsAtTheFirstSlotWithoutAHost) {
  StoreSlot(0, "zero.test", "Zero");
  StoreSlot(1, "one.test", "One");
  raw::SetString(kAcc, "Name_2", "no host here");
  StoreSlot(3, "three.test", "Three");
  CAccountList list;
  ASSERT_EQ(2, list.GetCount());
  EXPECT_STREQ("zero.test", list.GetAt(0).host());
  EXPECT_STREQ("Zero", list.GetAt(0).name());
  EXPECT_STREQ("One", list.GetAt(1).name());
}

TEST_F(AccountListTest, UnreadableSlotIsKeptWithoutHidingLaterSlotsOrBeingReused) {
  StoreSlot(0, "zero.test");
  StoreSlot(1, std::string(255, 'h'));  // longer than a stored text can be
  StoreSlot(2, "two.test");
  StoreSlot(3, "three.test");
  raw::SetString(kAcc, "Port_3", "not a number");
  StoreSlot(4, "four.test");
  const DWORD hostAsNumber = 7;
  raw::SetBytes(kAcc, "Host_4", REG_DWORD, &hostAsNumber, sizeof hostAsNumber);
  // Numbers stored as text are read: a TLS account stays TLS on its port.
  StoreSlot(5, "five.test");
  raw::SetString(kAcc, "SSL_5", "1");
  raw::SetString(kAcc, "Port_5", " 2995 ");
  StoreSlot(6, "six.test");
  raw::SetString(kAcc, "SSL_6", "yes");  // present but not a number: never taken for plain
  {
    CAccountList list;
    ASSERT_EQ(7, list.GetCount());
    EXPECT_EQ((std::vector<int>{1, 3, 4, 6}), list.UnreadableSlots());
    const CAccount five = list.GetAt(5);
    EXPECT_TRUE(five.ssl());
    EXPECT_EQ(2995, five.port());
    std::vector<CAccount*> active;
    list.SnapshotActive(active);
    ASSERT_EQ(3u, active.size());
    EXPECT_STREQ("two.test", active[1]->host());

    // Neither saved over, marked, nor taken by Add: new accounts go after them.
    EXPECT_FALSE(list.Save(1, MakeAccount("over.test"), false));
    EXPECT_FALSE(list.MarkDeleted(3));
    EXPECT_EQ(7, list.Add(MakeAccount("seven.test")));
    EXPECT_TRUE(list.MarkDeleted(0));
    EXPECT_EQ(0, list.Add(MakeAccount("again.test")));
  }
  EXPECT_EQ(std::string(255, 'h'), raw::GetString(kAcc, "Host_1"));
  EXPECT_EQ("not a number", raw::GetString(kAcc, "Port_3"));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), raw::Type(kAcc, "Host_4"));
  EXPECT_FALSE(raw::Exists(kAcc, "Deleted_3"));
  CAccountList list;
  ASSERT_EQ(8, list.GetCount());
  EXPECT_STREQ("again.test", list.GetAt(0).host());
  EXPECT_STREQ("seven.test", list.GetAt(7).host());
}

TEST_F(AccountListTest, StoredNumbersAreInterpretedSlotBySlot) {
  struct Case {
    int ssl, port, deleted, disabled;  // -1: value missing
    bool expectSsl;
    int expectPort;
    bool expectDeleted, expectDisabled;
  } cases[] = {
      {1, 2995, 0, 0, true, 2995, false, false},  // the stored port wins over the SSL default
      {1, -1, 0, 0, true, 110, false, false},     // no port stored: 110 even with SSL
      {2, -1, -1, -1, false, 110, false, false},  // only 1 means SSL
      {0, 995, 1, 0, false, 995, true, false},
      {-1, -1, 2, 5, false, 110, false, false},  // only 1 means deleted or disabled
      {-1, -1, 0, 1, false, 110, false, true},
  };
  const int n = static_cast<int>(sizeof cases / sizeof cases[0]);
  for (int i = 0; i < n; ++i) {
    StoreSlot(i, "host" + std::to_string(i));
    const int values[] = {cases[i].ssl, cases[i].port, cases[i].deleted, cases[i].disabled};
    const char* names[] = {"SSL", "Port", "Deleted", "Disabled"};
    for (int v = 0; v < 4; ++v)
      if (values[v] >= 0) raw::SetDword(kAcc, Name(names[v], i).c_str(), values[v]);
  }
  CAccountList list;
  ASSERT_EQ(n, list.GetCount());
  for (int i = 0; i < n; ++i) {
    const CAccount account = list.GetAt(i);
    EXPECT_EQ(cases[i].expectSsl, account.ssl()) << "slot " << i;
    EXPECT_EQ(cases[i].expectPort, account.port()) << "slot " << i;
    EXPECT_EQ(cases[i].expectDeleted, account.deleted()) << "slot " << i;
    EXPECT_EQ(cases[i].expectDisabled, account.disabled()) << "slot " << i;
  }
}

TEST_F(AccountListTest, SavedAccountLoadsBackFieldForField) {
  {
    CAccountList list;
    EXPECT_EQ(0, list.Add(MakeAccount("a.test")));
    EXPECT_EQ(1, list.Add(MakeAccount("b.test", true, 2995, "p@ss w0rd")));
  }
  EXPECT_EQ(1u, raw::GetDword(kAcc, "SSL_1"));
  EXPECT_EQ(2995u, raw::GetDword(kAcc, "Port_1"));
  EXPECT_EQ(0u, raw::GetDword(kAcc, "Deleted_1"));
  EXPECT_EQ(0u, raw::GetDword(kAcc, "Disabled_1"));
  EXPECT_EQ("b.test", raw::GetString(kAcc, "Host_1"));
  CAccountList list;
  ASSERT_EQ(2, list.GetCount());
  const CAccount b = list.GetAt(1);
  EXPECT_STREQ("Name of b.test", b.name());
  EXPECT_STREQ("b.test", b.host());
  EXPECT_STREQ("user", b.user());
  EXPECT_STREQ("p@ss w0rd", b.password());
  EXPECT_TRUE(b.ssl());
  EXPECT_EQ(2995, b.port());
}

TEST_F(AccountListTest, PasswordsRoundTripAndAreNotStoredInClear) {
  std::string printable, high;
  for (int c = 32; c < 127; ++c) printable += static_cast<char>(c);
  for (int c = 127; c < 256; ++c) high += static_cast<char>(c);
  const char* passwords[] = {"a", "secret", "p@ss w0rd", printable.c_str(), high.c_str()};
  {
    CAccountList list;
    for (const char* password : passwords) list.Add(MakeAccount("h", false, 110, password));
  }
  CAccountList list;
  for (int i = 0; i < static_cast<int>(sizeof passwords / sizeof passwords[0]); ++i) {
    EXPECT_STREQ(passwords[i], list.GetAt(i).password()) << "slot " << i;
    EXPECT_NE(passwords[i], raw::GetString(kAcc, Name("Password", i).c_str())) << "slot " << i;
    EXPECT_EQ(strlen(passwords[i]), raw::GetString(kAcc, Name("Password", i).c_str()).size()) << "slot " << i;
  }
}

TEST_F(AccountListTest, EmptyAndNullPasswordsStoreAnEmptyString) {
  {
    CAccountList list;
    list.Add(MakeAccount("a", false, 110, ""));
    list.Add(MakeAccount("b", false, 110, nullptr));
  }
  for (const char* name : {"Password", "Password_1"}) {
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw::Type(kAcc, name));
    EXPECT_EQ("", raw::GetString(kAcc, name));
  }
  CAccountList list;
  EXPECT_STREQ("", list.GetAt(0).password());
  EXPECT_STREQ("", list.GetAt(1).password());
}

TEST(ScramblePassword, NoCharacterFromSpaceUpScramblesToZero) {
  for (int c = 32; c < 256; ++c) {
    const std::string text(8, static_cast<char>(c));  // every key position twice
    const std::string encoded = CAccountList::ScramblePassword(text.c_str(), true);
    EXPECT_EQ(text.size(), encoded.size()) << "character " << c;
    EXPECT_EQ(text, CAccountList::ScramblePassword(encoded.c_str(), false)) << "character " << c;
  }
}

TEST(ScramblePassword, OnlyControlCharactersCanCollide) {
  // The limit the account dialog relies on when it refuses control characters.
  int collisions = 0;
  for (int c = 1; c < 32; ++c) {
    const std::string text(4, static_cast<char>(c));
    if (strlen(CAccountList::ScramblePassword(text.c_str(), true).c_str()) < 4) ++collisions;
  }
  EXPECT_EQ(4, collisions);  // one per key character
}

TEST(ScramblePassword, LongInputIsCutNotOverrun) {
  const std::string text(600, 'q');
  const std::string encoded = CAccountList::ScramblePassword(text.c_str(), true);
  EXPECT_EQ(254u, encoded.size());
  EXPECT_EQ(std::string(254, 'q'), CAccountList::ScramblePassword(encoded.c_str(), false));
  EXPECT_EQ("", CAccountList::ScramblePassword(nullptr, true));
}

TEST_F(AccountListTest, OverlongTextsAreCutAlikeInMemoryAndRegistry) {
  const std::string host(300, 'h'), password(300, 'p');
  {
    CAccountList list;
    list.Add(MakeAccount(host, false, 110, password.c_str()));
    list.Add(MakeAccount("next.test"));
    EXPECT_EQ(std::string(254, 'h'), list.GetAt(0).host());
    EXPECT_EQ(std::string(254, 'p'), list.GetAt(0).password());
  }
  CAccountList list;
  ASSERT_EQ(2, list.GetCount()) << "a long host must not end the list at the next start";
  EXPECT_EQ(std::string(254, 'h'), list.GetAt(0).host());
  EXPECT_EQ(std::string(254, 'p'), list.GetAt(0).password());
}

TEST_F(AccountListTest, AddReusesTheFirstDeletedSlot) {
  CAccountList list;
  for (int i = 0; i < 5; ++i) list.Add(MakeAccount("h" + std::to_string(i)));
  list.MarkDeleted(3);
  list.MarkDeleted(1);
  EXPECT_EQ(1, list.Add(MakeAccount("new1")));
  EXPECT_EQ(5, list.GetCount());
  EXPECT_EQ("new1", raw::GetString(kAcc, "Host_1"));
  EXPECT_EQ(0u, raw::GetDword(kAcc, "Deleted_1"));
  EXPECT_EQ(3, list.Add(MakeAccount("new3")));
  EXPECT_EQ(5, list.Add(MakeAccount("new5")));
  EXPECT_EQ(6, list.GetCount());
}

TEST_F(AccountListTest, ReusedSlotKeepsItsRecordAndRuntimeCounts) {
  CAccountList list;
  list.Add(MakeAccount("old"));
  std::vector<CAccount*> active;
  list.SnapshotActive(active);
  ASSERT_EQ(1u, active.size());
  CAccount* record = active[0];
  record->SetCount(4);
  list.MarkDeleted(0);
  list.SnapshotActive(active);
  EXPECT_TRUE(active.empty());
  list.Add(MakeAccount("new"));
  list.SnapshotActive(active);
  ASSERT_EQ(1u, active.size());
  EXPECT_EQ(record, active[0]);
  EXPECT_STREQ("new", record->host());
  EXPECT_EQ(4, record->currentCount());
}

TEST_F(AccountListTest, DeletedSlotLoadsAsDeletedAndIsReused) {
  StoreSlot(0, "a");
  StoreSlot(1, "b");
  raw::SetDword(kAcc, "Deleted_1", 1);
  CAccountList list;
  ASSERT_EQ(2, list.GetCount());
  EXPECT_TRUE(list.GetAt(1).deleted());
  std::vector<CAccount*> active;
  list.SnapshotActive(active);
  EXPECT_EQ(1u, active.size());
  EXPECT_EQ(1, list.Add(MakeAccount("c")));
  EXPECT_EQ(0u, raw::GetDword(kAcc, "Deleted_1"));
}

TEST_F(AccountListTest, MarkDeletedChangesOnlyTheDeletedValue) {
  CAccountList list;
  for (int i = 0; i < 3; ++i) list.Add(MakeAccount("h" + std::to_string(i)));
  const std::string password = raw::GetString(kAcc, "Password_2");
  list.MarkDeleted(2);
  EXPECT_EQ(1u, raw::GetDword(kAcc, "Deleted_2"));
  EXPECT_EQ("h2", raw::GetString(kAcc, "Host_2"));
  EXPECT_EQ(password, raw::GetString(kAcc, "Password_2"));
  EXPECT_EQ(0u, raw::GetDword(kAcc, "Deleted_1"));
  EXPECT_TRUE(list.GetAt(2).deleted());
}

TEST_F(AccountListTest, EditingKeepsRuntimeFieldsOfTheLiveRecord) {
  CAccountList list;
  list.Add(MakeAccount("a"));
  std::vector<CAccount*> active;
  list.SnapshotActive(active);
  active[0]->SetCount(5);
  active[0]->SetError();
  CAccount edited = list.GetAt(0);
  edited.SetHost("edited");
  edited.SetDisabled(true);
  list.Save(0, edited, false);
  EXPECT_STREQ("edited", active[0]->host());
  EXPECT_TRUE(active[0]->disabled());
  EXPECT_EQ(5, active[0]->currentCount());
  EXPECT_TRUE(active[0]->HasError());
  EXPECT_EQ(1u, raw::GetDword(kAcc, "Disabled"));
}

TEST_F(AccountListTest, BadSlotNumbersAreIgnored) {
  CAccountList list;
  list.Add(MakeAccount("a"));
  list.Save(5, MakeAccount("b"), false);
  list.MarkDeleted(-1);
  list.MarkDeleted(1);
  EXPECT_EQ(1, list.GetCount());
  EXPECT_EQ(nullptr, list.GetAt(7).host());
  EXPECT_FALSE(raw::Exists(kAcc, "Host_5"));
  EXPECT_FALSE(raw::Exists(kAcc, "Deleted_1"));
}

TEST_F(AccountListTest, FailStateLooksAtActiveAccountsOnly) {
  struct Case {
    const char* what;
    bool errorA, disabledA, errorB, disabledB;
    bool expectAllFailed;
  } cases[] = {
      {"both fine", false, false, false, false, false},
      {"one failed", true, false, false, false, false},
      {"both failed", true, false, true, false, true},
      {"failed one disabled, other fine", true, true, false, false, false},
      {"fine one disabled, other failed", false, true, true, false, true},
      {"none active", false, true, false, true, true},
  };
  CAccountList list;
  list.Add(MakeAccount("a"));
  list.Add(MakeAccount("b"));
  std::vector<CAccount*> records;
  list.SnapshotActive(records);
  ASSERT_EQ(2u, records.size());
  bool previous = false;
  for (const Case& c : cases) {
    const bool error[] = {c.errorA, c.errorB}, disabled[] = {c.disabledA, c.disabledB};
    for (int i = 0; i < 2; ++i) {
      records[i]->SetCount(1);
      if (error[i]) records[i]->SetError();
      CAccount edited = list.GetAt(i);
      edited.SetDisabled(disabled[i]);
      list.Save(i, edited, false);
    }
    bool was = !previous, now = !c.expectAllFailed;
    list.GetFailState(was, now);
    EXPECT_EQ(previous, was) << c.what;
    EXPECT_EQ(c.expectAllFailed, now) << c.what;
    previous = now;
  }
}

TEST_F(AccountListTest, TotalsSumActiveAccountsAndStartANewPeriod) {
  CAccountList list;
  list.Add(MakeAccount("a"));
  list.Add(MakeAccount("b"));
  list.Add(MakeAccount("disabled"));
  CAccount off = list.GetAt(2);
  off.SetDisabled(true);
  list.Save(2, off, false);
  std::vector<CAccount*> active;
  list.SnapshotActive(active);
  ASSERT_EQ(2u, active.size());
  active[0]->SetCount(5);
  active[1]->SetCount(2);
  active[1]->SetError();  // a failed account counts with what it last had
  int previous = -1, current = -1;
  list.GetTotals(previous, current);
  EXPECT_EQ(0, previous);
  EXPECT_EQ(7, current);
  list.GetTotals(previous, current);
  EXPECT_EQ(7, previous);
  EXPECT_EQ(7, current);
  active[0]->SubtractCount(2);
  list.GetTotals(previous, current);
  EXPECT_EQ(7, previous);
  EXPECT_EQ(5, current);
}

TEST_F(AccountListTest, CopyConnectionCopiesStoredFieldsOfOurRecordsOnly) {
  CAccountList list;
  list.Add(MakeAccount("pop.test", true, 2995, "pw"));
  std::vector<CAccount*> active;
  list.SnapshotActive(active);
  AccountConnection connection;
  ASSERT_TRUE(list.CopyConnection(active[0], connection));
  EXPECT_EQ("Name of pop.test", connection.name);
  EXPECT_EQ("pop.test", connection.host);
  EXPECT_EQ("user", connection.user);
  EXPECT_EQ("pw", connection.password);
  EXPECT_EQ(2995, connection.port);
  EXPECT_TRUE(connection.ssl);
  CAccount stranger = MakeAccount("x");
  EXPECT_FALSE(list.CopyConnection(&stranger, connection));
  EXPECT_FALSE(list.CopyConnection(nullptr, connection));
}

TEST_F(AccountListTest, CopyConnectionNeverSeesAHalfReplacedText) {
  CAccountList list;
  const std::string hostA(200, 'a'), hostB(20, 'b');
  list.Add(MakeAccount(hostA));
  std::vector<CAccount*> active;
  list.SnapshotActive(active);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  TestThread reader([&] {
    AccountConnection connection;
    while (!stop) {
      if (!list.CopyConnection(active[0], connection) ||
          (connection.host != hostA && connection.host != hostB))
        ++bad;
    }
  });
  for (int i = 0; i < 100; ++i) list.Save(0, MakeAccount(i % 2 ? hostA : hostB), false);
  stop = true;
  ASSERT_TRUE(reader.Join());
  EXPECT_EQ(0, bad);
}

std::vector<std::string> Fields(const CAccount& a) {
  auto text = [](const char* t) { return std::string(t ? t : "<null>"); };
  return {text(a.name()),
          text(a.host()),
          text(a.user()),
          text(a.password()),
          std::to_string(a.port()),
          std::to_string(a.ssl()),
          std::to_string(a.deleted()),
          std::to_string(a.disabled())};
}

TEST_F(AccountListTest, SaveCutShortAtAnyPointLeavesTheOldOrTheNewAccountAsReported) {
  const CAccount old = MakeAccount("old.test", false, 110, "old password");
  CAccount edited = MakeAccount("new.test", true, 2995, "new password");
  edited.SetUser("new user");
  const struct {
    int slot;
    std::function<bool(CAccountList&)> save;
  } cases[] = {{1, [&](CAccountList& list) { return list.Save(1, edited, false); }},
               {3, [&](CAccountList& list) { return list.Add(edited) == 3; }}};
  CRegistryRefusal crash;
  for (const auto& c : cases) {
    for (int changes = 0;; ++changes) {
      Clean();
      {
        CAccountList before;
        for (const CAccount& account : {MakeAccount("zero.test"), old, MakeAccount("two.test")})
          before.Add(account);
      }
      bool saved = false;
      int asked = 0;
      {
        CAccountList list;
        CRegistryRefusal::Allow(changes);
        saved = c.save(list);
        asked = CRegistryRefusal::Asked();
        CRegistryRefusal::Allow(-1);
        // In memory as reported: the new account when saved, else as before.
        const int count = list.GetCount();
        EXPECT_EQ(c.slot == 3 && saved ? 4 : 3, count);
        if (c.slot < count) {
          EXPECT_EQ(Fields(saved ? edited : old), Fields(list.GetAt(c.slot)));
        }
      }
      CAccountList next;  // the next start
      ASSERT_EQ(saved && c.slot == 3 ? 4 : 3, next.GetCount()) << changes << " changes";
      if (c.slot < next.GetCount()) {
        EXPECT_EQ(Fields(saved ? edited : old), Fields(next.GetAt(c.slot))) << changes << " changes";
      }
      EXPECT_STREQ("two.test", next.GetAt(2).host());
      if (asked <= changes) {  // nothing was refused: the save went through whole
        EXPECT_TRUE(saved);
        break;
      }
      ASSERT_LT(changes, 100);
    }
  }
}

}  // namespace
