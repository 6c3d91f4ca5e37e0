// The account dialog's certificate trust: "Trust current..." shows the
// certificate of the server in the fields and trusts it on Yes; "Forget"
// clears the trust; a server that cannot be reached is reported and changes
// nothing. The run's Dovecot serves a self-signed certificate on its TLS port.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DialogScript.h"
#include "LoopbackPort.h"
#include "ScriptedServer.h"
#include "app/AccountDlg.h"
#include "res/resource.h"

namespace {

int DovecotTlsPort() {
  return EnvInt("TIDEWELL_POP3S_PORT");
}

// The fingerprint line of the certificate question.
std::string FingerprintIn(const std::string& question) {
  const std::string label = "SHA-256: ";
  const size_t at = question.find(label);
  if (at == std::string::npos) return "";
  const size_t start = at + label.size();
  return question.substr(start, question.find('\n', start) - start);
}

TEST(TrustDlgTest, TrustCurrentStoresTheShownFingerprintAndForgetClearsIt) {
  CAccount account;
  account.SetName("Secure");
  account.SetHost("127.0.0.1");
  account.SetUser("jo");
  account.SetPassword("pw");
  account.SetSsl(true);
  account.SetPort(RefusedPort());
  CAccountDlg dlg{account, CAccountDlg::Purpose::Edit};
  ASSERT_TRUE(dlg.CreateModeless());
  const HWND h = dlg.hwnd();
  const std::string untrusted = ItemText(h, IDC_CERTIFICATE);
  EXPECT_TRUE(Enabled(h, IDC_TRUST_CERTIFICATE));
  EXPECT_FALSE(Enabled(h, IDC_FORGET_CERTIFICATE));

  CDialogScript script;
  std::string error;
  script.Answer("Server certificate", IDOK, &error);
  Click(h, IDC_TRUST_CERTIFICATE);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(untrusted, ItemText(h, IDC_CERTIFICATE)) << "nothing read, nothing trusted";

  SetItemText(h, IDC_PORT, std::to_string(DovecotTlsPort()));
  std::string question;
  script.Answer("Server certificate", IDNO, &question);
  Click(h, IDC_TRUST_CERTIFICATE);
  const std::string fingerprint = FingerprintIn(question);
  ASSERT_EQ(95u, fingerprint.size()) << question;  // 32 bytes as hex pairs with colons
  EXPECT_EQ(untrusted, ItemText(h, IDC_CERTIFICATE)) << "No trusts nothing";

  script.Answer("Server certificate", IDYES);
  Click(h, IDC_TRUST_CERTIFICATE);
  EXPECT_EQ(fingerprint, ItemText(h, IDC_CERTIFICATE));
  EXPECT_TRUE(Enabled(h, IDC_FORGET_CERTIFICATE));
  Click(h, IDC_FORGET_CERTIFICATE);
  EXPECT_EQ(untrusted, ItemText(h, IDC_CERTIFICATE));
  EXPECT_FALSE(Enabled(h, IDC_FORGET_CERTIFICATE));

  script.Answer("Server certificate", IDYES);
  Click(h, IDC_TRUST_CERTIFICATE);
  Click(h, IDOK);
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(dlg.trustChanged());
  EXPECT_EQ(fingerprint, dlg.account().trustedCertificate());
}

}  // namespace
