// The about box: the version resource's strings, the link's look, and what it
// hands the shell.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DialogScript.h"
#include "RecordedCalls.h"
#include "app/AboutDlg.h"
#include "res/resource.h"
#include "store/ModulePath.h"

namespace {

class AboutDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CRecordedCalls::Install();
    ASSERT_TRUE(m_dlg.CreateModeless());
    m_hDlg = m_dlg.hwnd();
  }

  CAboutDlg m_dlg;
  HWND m_hDlg = nullptr;
};

void ExpectOpened(const ShellCall& call, const std::string& file) {
  EXPECT_EQ("open", call.verb);
  EXPECT_EQ(file, call.file);
  EXPECT_FALSE(call.parameters);
  EXPECT_FALSE(call.directory);
  EXPECT_EQ(SW_SHOWNORMAL, call.show);
}

TEST_F(AboutDlgTest, ShowsTheVersionStringsAndTheAddressAsABlueUnderlinedLink) {
  char caption[64] = {};
  GetWindowTextA(m_hDlg, caption, sizeof caption);
  EXPECT_STREQ("About Tidewell", caption);
  EXPECT_EQ(TIDEWELL_PRODUCT, ItemText(m_hDlg, IDC_PRODUCT));
  EXPECT_EQ(TIDEWELL_VERSION_TEXT, ItemText(m_hDlg, IDC_VERSION));
  EXPECT_EQ(TIDEWELL_COPYRIGHT, ItemText(m_hDlg, IDC_LEGAL));
  EXPECT_EQ(TIDEWELL_WEBHOST, ItemText(m_hDlg, IDC_WEBADDRESS));

  HWND link = GetDlgItem(m_hDlg, IDC_WEBADDRESS);
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_TRUE(font.lfUnderline);
  // The colours the dialog gives a control's drawing: blue for the link only.
  HDC dc = GetDC(m_hDlg);
  SendMessageA(m_hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
  EXPECT_EQ(RGB(0, 0, 255), GetTextColor(dc));
  SendMessageA(m_hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, IDC_LEGAL)));
  EXPECT_NE(RGB(0, 0, 255), GetTextColor(dc));
  ReleaseDC(m_hDlg, dc);
}

TEST_F(AboutDlgTest, CheckUpdatesAndTheLinkHandTheShellTheMakersAddresses) {
  Click(m_hDlg, IDC_CHECKUPDATES);
  // A click on the link as the mouse gives it.
  HWND link = GetDlgItem(m_hDlg, IDC_WEBADDRESS);
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  std::vector<ShellCall> calls = CRecordedCalls::ShellCalls();
  ASSERT_EQ(2u, calls.size());
  ExpectOpened(calls[0], "http://" TIDEWELL_WEBHOST "/checkupdates.php?item=" TIDEWELL_INTERNAL
                         "&version=" TIDEWELL_VERSION_TEXT);
  ExpectOpened(calls[1], "http://" TIDEWELL_WEBHOST);
}

TEST_F(AboutDlgTest, UserGuideOpensIndexHtmlBesideTheProgramOrSaysItIsMissing) {
  std::string guide = ModulePath();
  guide.replace(guide.find_last_of('\\') + 1, std::string::npos, "index.html");
  DeleteFileA(guide.c_str());
  CDialogScript script;
  std::string message;
  script.Answer("Tidewell", IDOK, &message);
  Click(m_hDlg, IDC_USERGUIDE);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ("User guide not found \n \n Please check product installed correctly", message);
  EXPECT_TRUE(CRecordedCalls::ShellCalls().empty());

  HANDLE file =
      CreateFileA(guide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  Click(m_hDlg, IDC_USERGUIDE);
  DeleteFileA(guide.c_str());
  ASSERT_EQ(1u, CRecordedCalls::ShellCalls().size());
  ExpectOpened(CRecordedCalls::ShellCalls()[0], guide);
}

TEST_F(AboutDlgTest, OpensWithTheFocusOnOkSoEnterClosesIt) {
  ASSERT_EQ(GetDlgItem(m_hDlg, IDOK), GetFocus());
  // Enter as the dialog manager of a modal run takes it.
  MSG enter = {GetFocus(), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  IsDialogMessageA(m_hDlg, &enter);
  EXPECT_FALSE(IsWindow(m_hDlg));
  EXPECT_TRUE(CRecordedCalls::ShellCalls().empty());
}

}  // namespace
