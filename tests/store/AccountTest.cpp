// CAccount: the SSL/port rule, copies and the runtime counts.
#include <gtest/gtest.h>

#include <string>

#include "store/Account.h"

namespace {

TEST(Account, SslFlagResetsThePortSoThePortMustComeSecond) {
  struct Case {
    bool sslFirst;
    bool ssl;
    int port;
    int expected;
  } cases[] = {
      {false, true, 1995, 995},  // port, then SSL: the SSL default wins
      {true, true, 1995, 1995},  // SSL, then port: the port stays
      {false, false, 2110, 110},
      {true, false, 2110, 2110},
  };
  for (const Case& c : cases) {
    CAccount account;
    if (c.sslFirst) account.SetSsl(c.ssl);
    account.SetPort(c.port);
    if (!c.sslFirst) account.SetSsl(c.ssl);
    EXPECT_EQ(c.expected, account.port()) << "sslFirst=" << c.sslFirst << " ssl=" << c.ssl;
  }
}

CAccount Sample() {
  CAccount account;
  account.SetName("Work");
  account.SetSsl(true);
  account.SetHost("pop.example.test");
  account.SetPort(2995);
  account.SetUser("alice");
  account.SetPassword("secret");
  account.SetDisabled(true);
  return account;
}

TEST(Account, AssignCopiesStoredFieldsAndKeepsRuntimeState) {
  CAccount target;
  int previous = 0, current = 0;
  target.SetCount(7);
  target.TakeCounts(previous, current);  // previous := 7
  target.SetCount(9);
  target.SetError();
  target.Assign(Sample());
  EXPECT_STREQ("Work", target.name());
  EXPECT_STREQ("pop.example.test", target.host());
  EXPECT_STREQ("alice", target.user());
  EXPECT_STREQ("secret", target.password());
  EXPECT_TRUE(target.ssl());
  EXPECT_EQ(2995, target.port());  // SSL applied before the port
  EXPECT_TRUE(target.disabled());
  EXPECT_FALSE(target.IsActive());
  EXPECT_EQ(7, target.previousCount());
  EXPECT_EQ(9, target.currentCount());
  EXPECT_TRUE(target.HasError());
}

TEST(Account, CopiesAreDeepAndNullTextsStayNull) {
  CAccount original = Sample();
  original.SetUser(nullptr);
  original.SetCount(4);
  CAccount copy(original);
  original.SetName("Changed");
  EXPECT_STREQ("Work", copy.name());
  EXPECT_EQ(nullptr, copy.user());
  EXPECT_EQ(4, copy.currentCount());
  EXPECT_EQ(nullptr, CAccount().host());
}

TEST(Account, CountsMoveFromCurrentToPrevious) {
  CAccount account;
  account.SetError();
  account.SetCount(5);
  EXPECT_FALSE(account.HasError());  // a successful check clears the flag
  int previous = -1, current = -1;
  account.TakeCounts(previous, current);
  EXPECT_EQ(0, previous);
  EXPECT_EQ(5, current);
  account.SubtractCount(2);
  account.SetError();  // a failed check keeps the last count
  account.TakeCounts(previous, current);
  EXPECT_EQ(5, previous);
  EXPECT_EQ(3, current);
  EXPECT_EQ(3, account.previousCount());
}

}  // namespace
