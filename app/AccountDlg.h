// The account dialog ("Pop Account"): edits one account record, and on OK
// only when every field is filled in.
#pragma once
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ToolTip.h"
#include "store/Account.h"

class CAccountDlg : public CDialog {
 public:
  // Edits a copy of the account; after OK, account() holds the result.
  explicit CAccountDlg(const CAccount& account, HWND parent = nullptr);
  const CAccount& account() const { return m_account; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  bool OnNotify(NMHDR* hdr, LRESULT& result) override;
  void OnOk() override;

 private:
  // The field's text, or empty after telling the user and giving the field the focus.
  std::string Required(const CEdit& field, const char* missing);
  void Refuse(const CEdit& field, const char* message);

  CAccount m_account;
  CEdit m_port;
  CButton m_ssl, m_enabled;
  CEdit m_name, m_user, m_password, m_server;
  CToolTip m_toolTip;
};
