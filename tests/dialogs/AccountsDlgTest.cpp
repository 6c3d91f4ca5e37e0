// The accounts list and the account dialog: accounts added, edited, disabled
// and deleted through them and checked by the main window's cycle; rows kept in
// slot order; the account dialog's checks; the column widths kept on Escape.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CycleHarness.h"
#include "DialogScript.h"
#include "RecordedCalls.h"
#include "StoreTestSupport.h"
#include "app/AccListDlg.h"
#include "app/AccountDlg.h"
#include "framework/ListView.h"
#include "res/resource.h"
#include "store/AccountList.h"
#include "store/RegistryKey.h"

namespace {

using Row = std::vector<std::string>;

class AccountsDlgTest : public CycleTest {
 protected:
  void SetUp() override {
    CycleTest::SetUp();
    CRecordedCalls::Install();
  }
  void TearDown() override {
    m_pList.reset();
    CycleTest::TearDown();
  }
  HWND OpenList() {
    m_pList = std::make_unique<CAccListDlg>();
    EXPECT_TRUE(m_pList->CreateModeless());
    m_rows.Attach(GetDlgItem(m_pList->hwnd(), IDC_ACCOUNTLIST));
    return m_pList->hwnd();
  }
  Row RowTexts(int row) {
    return {m_rows.GetItemText(row, 0), m_rows.GetItemText(row, 1), m_rows.GetItemText(row, 2)};
  }
  std::vector<int> RowSlots() {
    std::vector<int> slots;
    for (int row = 0; row < m_rows.GetItemCount(); ++row)
      slots.push_back(static_cast<int>(m_rows.GetItemData(row)));
    return slots;
  }
  // What the list reports when the user right-clicks its selected row.
  void RightClickList() {
    NMITEMACTIVATE click = {};
    click.hdr = {m_rows.hwnd(), IDC_ACCOUNTLIST, static_cast<UINT>(NM_RCLICK)};
    SendMessageA(m_pList->hwnd(), WM_NOTIFY, IDC_ACCOUNTLIST, reinterpret_cast<LPARAM>(&click));
  }
  static void Fill(HWND dlg, const char* name, const char* user, const char* password, int port) {
    SetItemText(dlg, IDC_ACCOUNTNAME, name);
    SetItemText(dlg, IDC_SERVER, "127.0.0.1");
    SetItemText(dlg, IDC_USERNAME, user);
    SetItemText(dlg, IDC_PASSWORD, password);
    SetItemText(dlg, IDC_PORT, std::to_string(port));
  }
  // Fills the next account dialog that opens and presses its OK.
  void AddNext(const char* name, const char* user, const char* password, int port) {
    m_script.When("Pop Account", [=](HWND dlg) {
      Fill(dlg, name, user, password, port);
      PostClick(dlg, IDOK);
    });
  }
  int CheckedFor(const std::string& name) { return LogCount("Error getting mail statistics for " + name); }

  std::unique_ptr<CAccListDlg> m_pList;
  CListView m_rows;
  CDialogScript m_script;
};

TEST_F(AccountsDlgTest, AccountAddedEditedDisabledAndDeletedThroughTheDialogsIsCheckedAccordingly) {
  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  HWND list = OpenList();
  const int port = DovecotPort();
  AddNext("alice", "alice", "alicepw", port);
  Click(list, IDC_ADD);
  ASSERT_TRUE(m_script.Done());
  EXPECT_EQ((Row{"alice", "127.0.0.1", "Enabled"}), RowTexts(0));
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ("Tidewell (3 messages)", Main().tip) << LogDump();

  // A wrong password: the check fails and the tray shows the error state.
  m_rows.Select(0);
  EXPECT_TRUE(Enabled(list, IDC_EDIT));
  m_script.When("Pop Account", [](HWND dlg) {
    EXPECT_EQ("alicepw", ItemText(dlg, IDC_PASSWORD));
    SetItemText(dlg, IDC_PASSWORD, "wrong");
    PostClick(dlg, IDOK);
  });
  Click(list, IDC_EDIT);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_TRUE(g_pAccountList->GetAt(0).HasError());
  EXPECT_EQ(IDI_ERROR_STATE, TrayIconId());
  EXPECT_EQ(1, CheckedFor("alice")) << LogDump();

  // Disabled: the next cycle passes it by.
  std::string question;
  m_script.Answer("Accounts", IDYES, &question);
  Click(list, IDC_CHANGE);
  EXPECT_EQ("Disable alice ?", question);
  EXPECT_EQ("Disabled", RowTexts(0)[2]);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(1, CheckedFor("alice")) << LogDump();

  // Deleted from the context menu, which offers to enable the disabled account.
  CRecordedCalls::ChooseFromMenu(ID_ACCOUNT_DELETE);
  m_script.Answer("Accounts", IDYES, &question);
  RightClickList();
  EXPECT_TRUE(PumpUntil([&] { return m_script.Done(); }, 20000));
  ASSERT_EQ(1u, CRecordedCalls::Menus().size());
  MenuShown menu = CRecordedCalls::Menus()[0];
  EXPECT_EQ((std::vector<std::string>{"E&nable", "", "&Edit", "", "&Delete"}), menu.items);
  EXPECT_EQ(static_cast<UINT>(ID_ACCOUNT_EDIT), menu.defaultCommand);
  EXPECT_EQ("Delete alice ?", question);
  EXPECT_EQ(0, m_rows.GetItemCount());
  EXPECT_FALSE(Enabled(list, IDC_DELETE));

  // The next account takes the deleted slot.
  AddNext("empty", "empty", "emptypw", port);
  Click(list, IDC_ADD);
  EXPECT_EQ(1, g_pAccountList->GetCount());
  EXPECT_EQ(std::vector<int>{0}, RowSlots());
  EXPECT_EQ("empty", RowTexts(0)[0]);
}

TEST_F(AccountsDlgTest, RowsFollowTheSlotsAndAddFillsTheFirstDeletedOne) {
  const std::string longName(CRegistryKey::kMaxText, 'n');
  for (const char* name : {"zero", "one", "two", "three", "four"}) AddAccount(name, 110, "u", "p");
  EditAccount(3, [&](CAccount& a) { a.SetName(longName.c_str()); });
  g_pAccountList->MarkDeleted(1);
  HWND list = OpenList();
  EXPECT_EQ((std::vector<int>{0, 2, 3, 4}), RowSlots());
  for (int button : {IDC_EDIT, IDC_DELETE, IDC_CHANGE}) EXPECT_FALSE(Enabled(list, button)) << button;

  AddNext("new", "u", "p", 110);
  Click(list, IDC_ADD);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), RowSlots());
  EXPECT_EQ("new", RowTexts(1)[0]);
  EXPECT_EQ(5, g_pAccountList->GetCount());

  // A name as long as the store keeps is asked about whole.
  m_rows.Select(3);
  std::string question;
  m_script.Answer("Accounts", IDNO, &question);
  Click(list, IDC_DELETE);
  EXPECT_EQ("Delete " + longName + " ?", question);
  EXPECT_EQ(5, m_rows.GetItemCount());
  EXPECT_FALSE(g_pAccountList->GetAt(3).deleted());
}

TEST_F(AccountsDlgTest, AnAccountTheRegistryRefusesIsReportedAndNotListed) {
  HWND list = OpenList();
  AddNext("alice", "alice", "alicepw", 110);
  std::string message;
  m_script.Answer("Accounts", IDOK, &message);
  CRegistryRefusal refusal;
  CRegistryRefusal::Allow(0);
  Click(list, IDC_ADD);
  CRegistryRefusal::Allow(-1);
  EXPECT_TRUE(m_script.Done());
  EXPECT_NE(std::string::npos, message.find("could not be saved")) << message;
  EXPECT_EQ(0, m_rows.GetItemCount());
  EXPECT_EQ(0, g_pAccountList->GetCount());
}

TEST_F(AccountsDlgTest, AccountDialogChecksFieldsInOrderAndFollowsTheSslBoxWithThePort) {
  CAccountDlg dlg{CAccount(), CAccountDlg::Purpose::Edit};
  ASSERT_TRUE(dlg.CreateModeless());
  HWND h = dlg.hwnd();
  for (int field : {IDC_ACCOUNTNAME, IDC_SERVER, IDC_USERNAME, IDC_PASSWORD})
    EXPECT_EQ(LRESULT{CRegistryKey::kMaxText}, SendDlgItemMessageA(h, field, EM_GETLIMITTEXT, 0, 0)) << field;
  EXPECT_EQ("110", ItemText(h, IDC_PORT));
  EXPECT_TRUE(Checked(h, IDC_ENABLED));
  SetItemText(h, IDC_PORT, "");
  const struct {
    int field;
    const char* message;
    const char* then;
  } steps[] = {{IDC_ACCOUNTNAME, "No name specified", "Home"},
               {IDC_SERVER, "No server specified", "pop.example.com"},
               {IDC_USERNAME, "No user name specified", "jo"},
               {IDC_PASSWORD, "No password specified", "p\tw"},
               {IDC_PASSWORD, "Password must not contain control characters", "pw"},
               {IDC_PORT, "No port number specified", "65536"},
               {IDC_PORT, "Port number must be from 1 to 65535", "110"}};
  for (const auto& step : steps) {
    std::string message;
    m_script.Answer("Edit Account", IDOK, &message);
    Click(h, IDOK);
    EXPECT_EQ(step.message, message);
    EXPECT_EQ(GetDlgItem(h, step.field), GetFocus()) << step.message;
    SetItemText(h, step.field, step.then);
  }

  Click(h, IDC_SSL);
  EXPECT_EQ("995", ItemText(h, IDC_PORT));
  Click(h, IDC_SSL);
  EXPECT_EQ("110", ItemText(h, IDC_PORT));
  Click(h, IDC_SSL);
  SetItemText(h, IDC_PORT, "2995");
  Click(h, IDC_ENABLED);
  Click(h, IDOK);
  EXPECT_FALSE(IsWindow(h));
  const CAccount& a = dlg.account();
  EXPECT_EQ((Row{"Home", "pop.example.com", "jo", "pw"}), (Row{a.name(), a.host(), a.user(), a.password()}));
  EXPECT_TRUE(a.ssl());
  EXPECT_EQ(2995, a.port()) << "a port typed after the box stays";
  EXPECT_TRUE(a.disabled());
}

// A name wider than its stored column widens it, taking the room from the
// host column's spare width, so the list still needs no scrolling.
TEST_F(AccountsDlgTest, ColumnsFitALongNameWithinTheList) {
  const char name[] = "Demo mailbox of the whole family";
  AddAccount(name, DovecotPort(), "alice", "alicepw");
  g_pSettings->SetAccColumnWidth(0, 30);
  OpenList();
  const int needed =
      static_cast<int>(SendMessageA(m_rows.hwnd(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(name)));
  EXPECT_GT(m_rows.GetColumnWidth(0), needed);
  RECT client;
  GetClientRect(m_rows.hwnd(), &client);
  EXPECT_LE(m_rows.GetColumnWidth(0) + m_rows.GetColumnWidth(1) + m_rows.GetColumnWidth(2), client.right);
}

TEST_F(AccountsDlgTest, EscapeOnTheListStoresTheColumnWidths) {
  CAccListDlg dlg;
  std::vector<int> defaults, shown;
  m_script.When("Accounts", [&](HWND h) {
    m_rows.Attach(GetDlgItem(h, IDC_ACCOUNTLIST));
    RECT client;
    GetClientRect(m_rows.hwnd(), &client);
    for (int percent : {25, 50, 25}) defaults.push_back(client.right * percent / 100);
    for (int column = 0; column < 3; ++column) shown.push_back(m_rows.GetColumnWidth(column));
    m_rows.SetColumnWidth(0, 77);
    PostMessageA(m_rows.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  ASSERT_TRUE(m_script.Done());
  EXPECT_EQ(defaults, shown) << "no widths stored yet";
  shown[0] = 77;
  for (int column = 0; column < 3; ++column)
    EXPECT_EQ(static_cast<DWORD>(shown[column]),
              raw::GetDword("Settings", ("AccColumn_" + std::to_string(column)).c_str()));
}

}  // namespace
