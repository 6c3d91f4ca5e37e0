// The account dialog.
#include "app/AccountDlg.h"

#include <cstdlib>
#include <string>

#include "framework/Format.h"
#include "pop3/CertificateProbe.h"
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
    {IDC_TRUST_CERTIFICATE, "Show the server's certificate and trust it for this account"},
    {IDC_FORGET_CERTIFICATE, "Forget the trusted certificate: the next one the server shows is trusted"},
    {IDOK, "Saves any changes made and closed the dialog"},
    {IDCANCEL, "Close the dialog without saving any changes made"},
};

const char kCertificateTitle[] = "Server certificate";
// Seconds the look at a server's certificate may take.
constexpr int kProbeTimeout = 10;
// Five digits hold every port number.
constexpr int kPortDigits = 5;

bool HasControlCharacter(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20) return true;
  return false;
}

std::string CertificateQuestion(const ServerCertificate& c, const std::string& host) {
  std::string verdict = c.chainTrusted
                            ? "This system trusts it for " + host + "."
                            : "This system does not vouch for it: " + DescribeTrustProblem(c.problem) + ".";
  return Format(
      "Subject: %s\nIssuer: %s\nValid from %s to %s\nSHA-256: %s\n\n%s\n\nTrust this certificate for this "
      "account?",
      c.subject.c_str(), c.issuer.c_str(), c.validFrom.c_str(), c.validTo.c_str(), c.fingerprint.c_str(),
      verdict.c_str());
}

// Digits from the start as a decimal number; anything else gives 0.
int ParsePort(const std::string& text) {
  long value = std::strtol(text.c_str(), nullptr, 10);
  return value < 0 || value > 65535 ? 0 : static_cast<int>(value);
}

}  // namespace

CAccountDlg::CAccountDlg(const CAccount& account, Purpose purpose, HWND parent)
    : CDialog(IDD_ACCOUNT, parent), m_account(account), m_purpose(purpose) {}

BOOL CAccountDlg::OnInitDialog() {
  m_port.Attach(GetItem(IDC_PORT));
  m_ssl.Attach(GetItem(IDC_SSL));
  m_enabled.Attach(GetItem(IDC_ENABLED));
  m_name.Attach(GetItem(IDC_ACCOUNTNAME));
  m_user.Attach(GetItem(IDC_USERNAME));
  m_password.Attach(GetItem(IDC_PASSWORD));
  m_server.Attach(GetItem(IDC_SERVER));
  m_certificate.Attach(GetItem(IDC_CERTIFICATE));
  m_trust.Attach(GetItem(IDC_TRUST_CERTIFICATE));
  m_forget.Attach(GetItem(IDC_FORGET_CERTIFICATE));

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
  ShowTrust();
  m_toolTip.Create(m_hWnd);
  return TRUE;
}

bool CAccountDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  if (id == IDC_SSL && code == BN_CLICKED) {
    m_port.SetText(m_ssl.Checked() ? "995" : "110");
    ShowTrust();
    return true;
  }
  if (id == IDC_TRUST_CERTIFICATE && code == BN_CLICKED) {
    OnTrustCertificate();
    return true;
  }
  if (id == IDC_FORGET_CERTIFICATE && code == BN_CLICKED) {
    SetTrust("");
    return true;
  }
  return CDialog::OnCommand(id, code, ctl);
}

bool CAccountDlg::OnNotify(NMHDR* hdr, LRESULT& /*result*/) {
  return AnswerToolTip(hdr, kTips);
}

void CAccountDlg::Refuse(const CEdit& field, const char* message) {
  MessageBoxA(m_hWnd, message, m_purpose == Purpose::Edit ? "Edit Account" : "Add Account", MB_OK);
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
  // Five digits go beyond the last port; stored, such a number would be a port of 0.
  const int port = ParsePort(text);
  if (port == 0) {
    Refuse(m_port, "Port number must be from 1 to 65535");
    return;
  }
  m_account.SetPort(port);
  EndDialog(IDOK);
}

void CAccountDlg::ShowTrust() {
  const std::string& trusted = m_account.trustedCertificate();
  m_certificate.SetText(trusted.empty() ? "None: the first certificate the server shows is trusted"
                                        : trusted);
  m_trust.Enable(m_ssl.Checked());
  m_forget.Enable(!trusted.empty());
}

void CAccountDlg::SetTrust(const std::string& fingerprint) {
  m_account.SetTrustedCertificate(fingerprint);
  m_bTrustChanged = true;
  ShowTrust();
}

// Reads the certificate of the server and port in the fields (nothing is sent
// to it) and trusts it once the user has seen it. The look blocks the dialog
// for at most the probe's time-out, under the wait cursor.
void CAccountDlg::OnTrustCertificate() {
  const std::string host = m_server.GetText();
  if (host.empty()) {
    Refuse(m_server, "No server specified");
    return;
  }
  ServerCertificate certificate;
  std::string error;
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  bool read = ProbeServerCertificate(host, ParsePort(m_port.GetText()), kProbeTimeout, certificate, error);
  SetCursor(previous);
  if (!read) {
    MessageBoxA(m_hWnd, error.c_str(), kCertificateTitle, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (MessageBoxA(m_hWnd, CertificateQuestion(certificate, host).c_str(), kCertificateTitle,
                  MB_YESNO | MB_ICONQUESTION) == IDYES)
    SetTrust(certificate.fingerprint);
}
