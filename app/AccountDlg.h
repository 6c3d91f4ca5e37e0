// The account dialog ("Pop Account"): edits one account record, and on OK
// only when every field is filled in.
#pragma once
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ToolTip.h"
#include "store/Account.h"

class CAccountDlg : public CDialog {
 public:
  // What the user chose it for; its messages are titled so.
  enum class Purpose { Add, Edit };
  // Edits a copy of the account; after OK, account() holds the result.
  CAccountDlg(const CAccount& account, Purpose purpose, HWND parent = nullptr);
  const CAccount& account() const { return m_account; }
  // The user trusted the server's current certificate or forgot the trust;
  // account().trustedCertificate() then holds the choice.
  bool trustChanged() const { return m_bTrustChanged; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  bool OnNotify(NMHDR* hdr, LRESULT& result) override;
  void OnOk() override;

 private:
  // The field's text, or empty after telling the user and giving the field the focus.
  std::string Required(const CEdit& field, const char* missing);
  void Refuse(const CEdit& field, const char* message);
  void OnTrustCertificate();
  void SetTrust(const std::string& fingerprint);
  void ShowTrust();

  CAccount m_account;
  const Purpose m_purpose;
  CEdit m_port;
  CButton m_ssl, m_enabled;
  CEdit m_name, m_user, m_password, m_server;
  CEdit m_certificate;
  CButton m_trust, m_forget;
  bool m_bTrustChanged = false;
  CToolTip m_toolTip;
};
