// The account dialog.
#include "app/AccountDlg.h"

#include <cstdlib>
#include <string>

#include "res/resource.h"
#include "store/RegistryKey.h"

namespace {

const ToolTipText kTips[] = {
    {IDC_ACCOUNTNAME, "Enter name to call this account"},
    {IDC_SERVER, "Enter address of POP3 server (e.g pop.example.com)"},
    {IDC_USERNAME, "Enter POP3 account user name (e.g jo@example.com)"},
    {IDC_PASSWORD, "Enter POP3 account password"},
    {IDC_PORT, "Port number used by server"},
    {IDC_ENABLED, "Enable or disable account"},
    {IDC_SSL, "Tick to use Secure Sockets Layer (SSL) to this server"},
    {IDOK, "Saves any changes made and closed the dialog"},
    {IDCANCEL, "Close the dialog without saving any changes made"},
};

const char kMessageTitle[] = "Add Account";
// Five digits hold every port number.
constexpr int kPortDigits = 5;

bool HasControlCharacter(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20) return true;
  return false;
}

// Digits from the start as a decimal number; anything else gives 0.
int ParsePort(const std::string& text) {
  long value = std::strtol(text.c_str(), nullptr, 10);
  return value < 0 || value > 65535 ? 0 : static_cast<int>(value);
}

}  // namespace

CAccountDlg::CAccountDlg(const CAccount& account, HWND parent)
    : CDialog(IDD_ACCOUNT, parent), m_account(account) {}

BOOL CAccountDlg::OnInitDialog() {
  m_port.Attach(GetItem(IDC_PORT));
  m_ssl.Attach(GetItem(IDC_SSL));
  m_enabled.Attach(GetItem(IDC_ENABLED));
  m_name.Attach(GetItem(IDC_ACCOUNTNAME));
  m_user.Attach(GetItem(IDC_USERNAME));
  m_password.Attach(GetItem(IDC_PASSWORD));
  m_server.Attach(GetItem(IDC_SERVER));

  // What the store keeps, so nothing typed is cut when it is saved.
  for (CEdit* field : {&m_name, &m_server, &m_user, &m_password}) field->LimitText(CRegistryKey::kMaxText);
  m_port.LimitText(kPortDigits);
  m_name.SetText(m_account.name());
  m_server.SetText(m_account.host());
  m_user.SetText(m_account.user());
  m_password.SetText(m_account.password());
  m_port.SetText(std::to_string(m_account.port()));
  m_enabled.SetCheck(!m_account.disabled());
  m_ssl.SetCheck(m_account.ssl());
  m_toolTip.Create(m_hWnd);
  return TRUE;
}

bool CAccountDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  if (id == IDC_SSL && code == BN_CLICKED) {
    m_port.SetText(m_ssl.Checked() ? "995" : "110");
    return true;
  }
  return CDialog::OnCommand(id, code, ctl);
}

bool CAccountDlg::OnNotify(NMHDR* hdr, LRESULT& /*result*/) {
  return AnswerToolTip(hdr, kTips);
}

void CAccountDlg::Refuse(const CEdit& field, const char* message) {
  MessageBoxA(m_hWnd, message, kMessageTitle, MB_OK);
  SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field.hwnd()), TRUE);
}

std::string CAccountDlg::Required(const CEdit& field, const char* missing) {
  std::string text = field.GetText();
  if (text.empty()) Refuse(field, missing);
  return text;
}

void CAccountDlg::OnOk() {
  std::string text = Required(m_name, "No name specified");
  if (text.empty()) return;
  m_account.SetName(text.c_str());
  if ((text = Required(m_server, "No server specified")).empty()) return;
  m_account.SetHost(text.c_str());
  if ((text = Required(m_user, "No user name specified")).empty()) return;
  m_account.SetUser(text.c_str());
  if ((text = Required(m_password, "No password specified")).empty()) return;
  // A control character can scramble to a zero byte, which would end the stored password there.
  if (HasControlCharacter(text)) {
    Refuse(m_password, "Password must not contain control characters");
    return;
  }
  m_account.SetPassword(text.c_str());
  m_account.SetDisabled(!m_enabled.Checked());
  // SetSsl also puts the usual port in place; the field's port follows it.
  m_account.SetSsl(m_ssl.Checked());
  if ((text = Required(m_port, "No port number specified")).empty()) return;
  m_account.SetPort(ParsePort(text));
  EndDialog(IDOK);
}
