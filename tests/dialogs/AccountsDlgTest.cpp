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
#include "ShellRecorder.h"
#include "StoreTestSupport.h"
#include "app/AccListDlg.h"
#include "app/AccountDlg.h"
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
    m_hList = GetDlgItem(m_pList->hwnd(), IDC_ACCOUNTLIST);
    return m_pList->hwnd();
  }
  int RowCount() { return static_cast<int>(SendMessageA(m_hList, LVM_GETITEMCOUNT, 0, 0)); }
  Row RowTexts(int row) {
    Row texts;
    for (int column = 0; column < 3; ++column) {
      char text[512] = {};
      LVITEMA item = {};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(m_hList, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
      texts.push_back(text);
    }
    return texts;
  }
  std::vector<int> RowSlots() {
    std::vector<int> slots;
    for (int row = 0; row < RowCount(); ++row) {
      LVITEMA item = {};
      item.mask = LVIF_PARAM;
      item.iItem = row;
      SendMessageA(m_hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
      slots.push_back(static_cast<int>(item.lParam));
    }
    return slots;
  }
  void SelectRow(int row) {
    LVITEMA item = {};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(m_hList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
  // What the list reports when the user right-clicks its selected row.
  void RightClickList() {
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = m_hList;
    click.hdr.idFrom = IDC_ACCOUNTLIST;
    click.hdr.code = NM_RCLICK;
    SendMessageA(m_pList->hwnd(), WM_NOTIFY, IDC_ACCOUNTLIST, reinterpret_cast<LPARAM>(&click));
  }
  static void Fill(HWND dlg, const char* name, const char* user, const char* password, int port) {
    SetItemText(dlg, IDC_ACCOUNTNAME, name);
    SetItemText(dlg, IDC_SERVER, "127.0.0.1");
    SetItemText(dlg, IDC_USERNAME, user);
    SetItemText(dlg, IDC_PASSWORD, password);
    SetItemText(dlg, IDC_PORT, std::to_string(port));
  }
  int CheckedFor(const std::string& name) { return LogCount("Error getting mail statistics for " + name); }

  std::unique_ptr<CAccListDlg> m_pList;
  HWND m_hList = nullptr;
  CDialogScript m_script;
};

TEST_F(AccountsDlgTest, AccountAddedEditedDisabledAndDeletedThroughTheDialogsIsCheckedAccordingly) {
  StartWindow();
  ASSERT_TRUE(RunToCycleEnd());
  HWND list = OpenList();
  const int port = DovecotPort();
  m_script.When("Pop Account", [port](HWND dlg) {
    EXPECT_EQ("110", ItemText(dlg, IDC_PORT));
    EXPECT_TRUE(Checked(dlg, IDC_ENABLED));
    Fill(dlg, "alice", "alice", "alicepw", port);
    PostClick(dlg, IDOK);
  });
  Click(list, IDC_ADD);
  ASSERT_TRUE(m_script.Done());
  EXPECT_EQ((Row{"alice", "127.0.0.1", "Enabled"}), RowTexts(0));
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ("Tidewell (3 messages)", CShellRecorder::LastTip()) << LogDump();

  // A wrong password: the check fails and the tray shows the error state.
  SelectRow(0);
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
  EXPECT_EQ((std::vector<std::string>{"Enable", "", "Edit", "", "Delete"}), menu.items);
  EXPECT_EQ(static_cast<UINT>(ID_ACCOUNT_EDIT), menu.defaultCommand);
  EXPECT_EQ("Delete alice ?", question);
  EXPECT_EQ(0, RowCount());
  EXPECT_FALSE(Enabled(list, IDC_DELETE));

  // The next account takes the deleted slot.
  m_script.When("Pop Account", [port](HWND dlg) {
    Fill(dlg, "empty", "empty", "emptypw", port);
    PostClick(dlg, IDOK);
  });
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

  m_script.When("Pop Account", [](HWND dlg) {
    Fill(dlg, "new", "u", "p", 110);
    PostClick(dlg, IDOK);
  });
  Click(list, IDC_ADD);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), RowSlots());
  EXPECT_EQ("new", RowTexts(1)[0]);
  EXPECT_EQ(5, g_pAccountList->GetCount());

  // A name as long as the store keeps is asked about whole.
  SelectRow(3);
  std::string question;
  m_script.Answer("Accounts", IDNO, &question);
  Click(list, IDC_DELETE);
  EXPECT_EQ("Delete " + longName + " ?", question);
  EXPECT_EQ(5, RowCount());
  EXPECT_FALSE(g_pAccountList->GetAt(3).deleted());
}

TEST_F(AccountsDlgTest, AccountDialogChecksFieldsInOrderAndFollowsTheSslBoxWithThePort) {
  CAccountDlg dlg{CAccount()};
  ASSERT_TRUE(dlg.CreateModeless());
  HWND h = dlg.hwnd();
  for (int field : {IDC_ACCOUNTNAME, IDC_SERVER, IDC_USERNAME, IDC_PASSWORD})
    EXPECT_EQ(LRESULT{CRegistryKey::kMaxText}, SendDlgItemMessageA(h, field, EM_GETLIMITTEXT, 0, 0)) << field;
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
               {IDC_PORT, "No port number specified", "110"}};
  for (const auto& step : steps) {
    std::string message;
    m_script.Answer("Add Account", IDOK, &message);
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
  EXPECT_STREQ("Home", a.name());
  EXPECT_STREQ("pop.example.com", a.host());
  EXPECT_STREQ("jo", a.user());
  EXPECT_STREQ("pw", a.password());
  EXPECT_TRUE(a.ssl());
  EXPECT_EQ(2995, a.port()) << "a port typed after the box stays";
  EXPECT_TRUE(a.disabled());
}

TEST_F(AccountsDlgTest, EscapeOnTheListStoresTheColumnWidths) {
  CAccListDlg dlg;
  int clientWidth = 0;
  std::vector<int> shown;
  m_script.When("Accounts", [&](HWND h) {
    HWND listView = GetDlgItem(h, IDC_ACCOUNTLIST);
    RECT client;
    GetClientRect(listView, &client);
    clientWidth = client.right;
    for (int column = 0; column < 3; ++column)
      shown.push_back(static_cast<int>(SendMessageA(listView, LVM_GETCOLUMNWIDTH, column, 0)));
    SendMessageA(listView, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(77, 0));
    PostMessageA(listView, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  });
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  ASSERT_TRUE(m_script.Done());
  EXPECT_EQ((std::vector<int>{clientWidth * 25 / 100, clientWidth * 50 / 100, clientWidth * 25 / 100}), shown)
      << "no widths stored yet";
  EXPECT_EQ(77u, raw::GetDword("Settings", "AccColumn_0"));
  EXPECT_EQ(static_cast<DWORD>(shown[1]), raw::GetDword("Settings", "AccColumn_1"));
  EXPECT_EQ(static_cast<DWORD>(shown[2]), raw::GetDword("Settings", "AccColumn_2"));
}

}  // namespace
