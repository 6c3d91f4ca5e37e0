// The about box.
#include "app/AboutDlg.h"

#include <utility>

#include <shellapi.h>

#include <string>

#include "app/VersionInfo.h"
#include "res/resource.h"
#include "store/ModulePath.h"

CAboutDlg* g_pAboutDlg = nullptr;

namespace {

constexpr COLORREF kLinkColour = RGB(0, 0, 255);

// Built as a string: a long host or version cannot overrun anything.
std::string WebAddress() {
  return std::string("http://") + g_versionInfo.comments();
}

void OpenWithShell(HWND owner, const std::string& target) {
  // What the shell does with it (a browser, an editor, or nothing) is the user's set-up.
  ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}

BOOL CAboutDlg::OnInitDialog() {
  m_webAddress.Attach(GetItem(IDC_WEBADDRESS));
  m_version.Attach(GetItem(IDC_VERSION));
  m_product.Attach(GetItem(IDC_PRODUCT));
  m_legal.Attach(GetItem(IDC_LEGAL));

  SetWindowTextA(m_hWnd, "About Tidewell");
  m_product.SetText(g_versionInfo.productName());
  m_version.SetText(g_versionInfo.productVersion());
  m_legal.SetText(g_versionInfo.legalCopyright());
  m_webAddress.SetText(g_versionInfo.comments());

  SetLinkFont();
  return TRUE;
}

void CAboutDlg::OnDpiChanged(int /*dpi*/) {
  // The dialog's font has been scaled and given to every control, the link too.
  SetLinkFont();
}

void CAboutDlg::SetLinkFont() {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA description;
  if (GetObjectA(font, sizeof description, &description) != sizeof description) return;
  description.lfUnderline = TRUE;
  CScopedFont link(CreateFontIndirectA(&description));
  if (!link.Get()) return;
  SendMessageA(m_webAddress.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(link.Get()), TRUE);
  m_linkFont = std::move(link);  // the font it had before is no longer in use
}

INT_PTR CAboutDlg::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == m_webAddress.hwnd()) {
    // The default colours and brush, then the link's blue on top.
    INT_PTR brush = static_cast<INT_PTR>(DefWindowProcA(m_hWnd, msg, wp, lp));
    SetTextColor(reinterpret_cast<HDC>(wp), kLinkColour);
    return brush;
  }
  return CDialog::Dispatch(msg, wp, lp);
}

bool CAboutDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  switch (id) {
    case IDC_CHECKUPDATES:
      OnCheckUpdates();
      return true;
    case IDC_USERGUIDE:
      OnUserGuide();
      return true;
    case IDC_WEBADDRESS:
      if (code == STN_CLICKED) OnWebAddress();
      return true;
  }
  return CDialog::OnCommand(id, code, ctl);
}

void CAboutDlg::OnWebAddress() {
  OpenWithShell(m_hWnd, WebAddress());
}

void CAboutDlg::OnCheckUpdates() {
  // The browser asks the maker's page; the program makes no request of its own.
  OpenWithShell(m_hWnd, WebAddress() + "/checkupdates.php?item=" + g_versionInfo.internalName() +
                            "&version=" + g_versionInfo.productVersion());
}

void CAboutDlg::OnUserGuide() {
  std::string guide = ModulePath();
  size_t slash = guide.find_last_of('\\');
  if (slash != std::string::npos) {
    guide.replace(slash + 1, std::string::npos, "index.html");
    if (GetFileAttributesA(guide.c_str()) != INVALID_FILE_ATTRIBUTES) {
      OpenWithShell(m_hWnd, guide);
      return;
    }
  }
  MessageBoxA(m_hWnd, "User guide not found \n \n Please check product installed correctly", "Tidewell",
              MB_OK);
}
