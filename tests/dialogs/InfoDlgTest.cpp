// The information window: the header block as the server sent it, and the size
// it was closed at (close box or Escape, not Enter) kept for the next one.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "DialogScript.h"
#include "ScriptedServer.h"
#include "StoreTestSupport.h"
#include "framework/Controls.h"
#include "pop3/MailHeader.h"
#include "res/resource.h"
#include "store/Settings.h"
#include "viewer/InfoDlg.h"

namespace {

class InfoDlgTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    g_pSettings = new CSettings();
    m_header.subject = " Hello";
    m_header.lines = {"+OK 3 octets", "From: a@example.test", "Subject: Hello", "", "."};
  }
  void TearDown() override {
    delete g_pSettings;
    g_pSettings = nullptr;
    RegistryTest::TearDown();
  }
  // Opens the window, waits for its text, then resizes it and ends it with msg.
  void OpenResizeAndEnd(int width, int height, UINT msg, WPARAM wp) {
    CDialogScript script;
    script.When("Mail -  Hello", [&](HWND w) {
      HWND edit = GetDlgItem(w, IDC_INFO_TEXT);
      PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 5000);
      m_text = ItemText(w, IDC_INFO_TEXT);
      m_opened = OuterSize(w);
      SetWindowPos(w, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
      PostMessageA(w, msg, wp, 0);
    });
    CInfoDlg dlg;
    dlg.SetHeader(m_header);
    dlg.DoModal();
    EXPECT_TRUE(script.Done());
  }
  SIZE Stored() {
    int width = 0, height = 0;
    g_pSettings->GetInfoSize(width, height, -1, -1);
    return SIZE{width, height};
  }

  MailHeader m_header;
  std::string m_text;
  SIZE m_opened{0, 0};
};

TEST_F(InfoDlgTest, ShowsTheHeaderBlockAndKeepsTheSizeItWasClosedAt) {
  OpenResizeAndEnd(500, 300, WM_CLOSE, 0);
  EXPECT_EQ("From: a@example.test\r\nSubject: Hello\r\n\r\n", m_text);
  EXPECT_EQ(500, Stored().cx);
  EXPECT_EQ(300, Stored().cy);

  // Enter ends it without storing; the next one opens at the stored size.
  OpenResizeAndEnd(600, 350, WM_COMMAND, IDOK);
  EXPECT_EQ(500, m_opened.cx);
  EXPECT_EQ(300, m_opened.cy);
  EXPECT_EQ(500, Stored().cx);
}

// PreviewLines 0: no text pane and no connection. Otherwise the pane says
// "Loading…" while the server is silent, and the window closes all the same.
TEST_F(InfoDlgTest, TextPaneIsLeftOutWhenTurnedOffAndLoadsOffTheWindowThread) {
  CScriptedServer off, silent;
  off.Start();
  ScriptLogin(silent).ExpectLine().Silence(20000).Start();
  PreviewJob job;
  job.account.host = "127.0.0.1";
  job.account.port = off.Port();
  job.bodyLines = 0;
  bool pane = true;
  std::wstring loading;
  auto open = [&](const PreviewJob& preview, const std::function<void(HWND)>& look) {
    CDialogScript script;
    script.When("Mail -  Hello", [&](HWND w) {
      look(w);
      PostMessageA(w, WM_CLOSE, 0, 0);
    });
    CInfoDlg dlg;
    dlg.SetHeader(m_header);
    dlg.SetPreview(preview);
    dlg.DoModal();
    EXPECT_TRUE(script.Done());
  };
  open(job, [&](HWND w) { pane = GetDlgItem(w, kInfoTextPaneId) != nullptr; });
  EXPECT_FALSE(pane);
  EXPECT_TRUE(off.Received().empty());

  job.account.port = silent.Port();
  job.bodyLines = 200;
  open(job, [&](HWND w) {
    EXPECT_TRUE(silent.WaitLines(3)) << "USER, PASS, TOP";
    wchar_t text[32] = {};
    GetWindowTextW(GetDlgItem(w, kInfoTextPaneId), text, 32);
    loading = text;
  });
  EXPECT_EQ(L"Loading\u2026", loading);
}

}  // namespace

namespace {

std::wstring WideText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

// Encoded words decoded and folds joined, whatever the system's code page; the
// window's menu shows the lines as received.
TEST_F(InfoDlgTest, HeaderBlockIsDecodedAndTheWindowMenuShowsTheRawLines) {
  m_header.lines = {"+OK", "Subject: =?utf-8?Q?Caf=C3=A9?=", " =?koi8-r?B?8NLJ18XU?=", "", "."};
  std::wstring decoded, raw;
  CDialogScript script;
  script.When("Mail -  Hello", [&](HWND w) {
    HWND edit = GetDlgItem(w, IDC_INFO_TEXT);
    PumpUntil([&] { return GetWindowTextLengthW(edit) > 0; }, 5000);
    decoded = WideText(edit);
    SendMessageW(w, WM_SYSCOMMAND, kInfoRawLinesCommand, 0);
    raw = WideText(edit);
    PostMessageA(w, WM_CLOSE, 0, 0);
  });
  CInfoDlg dlg;
  dlg.SetHeader(m_header);
  dlg.DoModal();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(L"Subject: Caf\u00E9\u041F\u0440\u0438\u0432\u0435\u0442\r\n\r\n", decoded);
  EXPECT_EQ(L"Subject: =?utf-8?Q?Caf=C3=A9?=\r\n =?koi8-r?B?8NLJ18XU?=\r\n\r\n", raw);
}

}  // namespace

namespace {

// The title keeps a subject the system's code page cannot hold: the text the
// window stores, which its caption draws, is Unicode, though a WM_GETTEXT
// through this ANSI dialog's procedure would give question marks.
TEST_F(InfoDlgTest, TitleKeepsTheSubjectInUnicode) {
  m_header.subject = "\xE4\xBC\x9A\xE8\xAD\xB0";
  std::wstring title;
  CDialogScript script;
  script.Once(
      "the information window",
      [] { return GetActiveWindow() != nullptr && GetWindowTextLengthW(GetActiveWindow()) > 0; },
      [&](HWND) {
        HWND w = GetActiveWindow();
        wchar_t buffer[64] = {};
        InternalGetWindowText(w, buffer, 64);
        title = buffer;
        PostMessageA(w, WM_CLOSE, 0, 0);
      });
  CInfoDlg dlg;
  dlg.SetHeader(m_header);
  dlg.DoModal();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(L"Mail - \u4F1A\u8B70", title);
}

}  // namespace
