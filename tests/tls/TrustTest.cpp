// Server certificates against a Dovecot of the test's own, restarted with each of
// the certificates the fixture made (tests/support/certificates.sh): trust on first
// use, a changed certificate refused before the login, and a test authority's
// certificates once the authority is in the prefix's root store.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ScriptedServer.h"
#include "TlsTestSocket.h"
#include "WaitUntil.h"
#include "framework/AppLog.h"
#include "check/CheckJob.h"
#include "pop3/CertificateProbe.h"
#include "store/AccountList.h"
#include "store/Settings.h"
#include "viewer/ViewMailCore.h"

namespace {

const char kUser[] = "alice";
const char kPassword[] = "alicepw";

std::string RunDir() {
  return EnvString("TIDEWELL_RUN_DIR");
}
int TrustPlainPort() {
  return EnvPort("TIDEWELL_PORT_BASE", 2);
}
int TrustTlsPort() {
  return EnvPort("TIDEWELL_PORT_BASE", 3);
}

std::string ReadFileText(const std::string& unixPath) {
  std::string text;
  FILE* f = fopen(WinePath(unixPath).c_str(), "rb");
  if (!f) return text;
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof(chunk), f)) > 0;) text.append(chunk, n);
  fclose(f);
  return text;
}

// Wine starts a Unix program but hands back no handle to wait on: the command
// leaves its exit status in a file, and the test waits for that.
bool RunUnix(const std::string& command) {
  const std::string status = RunDir() + "/trust-command.status";
  DeleteFileA(WinePath(status).c_str());
  std::string line =
      "/bin/sh -c \"" + command + " >>" + RunDir() + "/trust-command.out 2>&1; echo $? >" + status + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::vector<char> text(line.begin(), line.end());
  text.push_back('\0');
  if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  if (!WaitUntil([&] { return ReadFileText(status).find('\n') != std::string::npos; }, 60000)) return false;
  return ReadFileText(status) == "0\n";
}

// The test's Dovecot, started afresh with the named certificate of the fixture.
bool RestartDovecot(const char* certificate) {
  const std::string certs = RunDir() + "/certificates/" + certificate;
  return RunUnix("TIDEWELL_DOVECOT_NAME=dovecot-trust TIDEWELL_POP3_PORT=" +
                 std::to_string(TrustPlainPort()) + " TIDEWELL_POP3S_PORT=" + std::to_string(TrustTlsPort()) +
                 " TIDEWELL_SERVER_CERT=" + certs + ".crt TIDEWELL_SERVER_KEY=" + certs + ".key " +
                 EnvString("TIDEWELL_SOURCE_DIR") + "/tests/support/dovecot.sh start");
}

int DovecotLines(const char* text) {
  const std::string log = ReadFileText(RunDir() + "/dovecot-trust/dovecot.log");
  int count = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

// The chain engine reads the root store once per process: the test authority is
// added before any certificate is judged. It vouches only for the fixture's
// certificates, in the run's own prefix.
class CAuthorityInRoot : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string der = ReadFileText(RunDir() + "/certificates/ca.der");
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    ASSERT_TRUE(root && !der.empty());
    EXPECT_TRUE(CertAddEncodedCertificateToStore(
        root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()),
        CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(root, 0);  // written through only on close
  }
};
const auto* g_authority = ::testing::AddGlobalTestEnvironment(new CAuthorityInRoot);

class TrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
    std::vector<std::string> lines;
    m_nLogStart = g_appLog.Copy(lines) >= 0 ? lines.size() : 0;
  }

  // An account as this version and older ones write it: the eight values of slot 0.
  void WriteOldAccount(const char* host) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell\\Accounts", &key));
    auto text = [&](const char* name, const std::string& value) {
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    };
    auto number = [&](const char* name, DWORD value) {
      RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    };
    text("Name", "Home");
    number("SSL", 1);
    text("Host", host);
    number("Port", static_cast<DWORD>(TrustTlsPort()));
    text("User", kUser);
    text("Password", CAccountList::ScramblePassword(kPassword, true));
    number("Deleted", 0);
    number("Disabled", 0);
    RegCloseKey(key);
  }

  // A fresh start of the program: the list loaded from the registry.
  CAccount* Load() {
    m_pList = std::make_unique<CAccountList>();
    std::vector<CAccount*> active;
    m_pList->SnapshotActive(active);
    return active.empty() ? nullptr : active[0];
  }

  // One account's check as the cycle runs it; true when it got a count.
  bool Check(CAccount* account) {
    AccountConnection c;
    m_pList->CopyConnection(account, c);
    CCheckJob job(1, account, c, 20);
    CAccountList& list = *m_pList;
    job.SetCertificateCheck([&list, account, c](const ServerCertificate& certificate) {
      return list.JudgeServerCertificate(account, c.name, certificate.chainTrusted, certificate.fingerprint,
                                         AppendLog);
    });
    RunMailboxCheck(job, AppendLog);
    return !account->error() && account->currentCount() == 3;
  }

  static void AppendLog(const std::string& line) { g_appLog.Append(line.c_str()); }

  std::string NewLog() {
    std::vector<std::string> lines;
    g_appLog.Copy(lines);
    std::string text;
    for (size_t i = m_nLogStart; i < lines.size(); ++i) text += lines[i] + "\n";
    m_nLogStart = lines.size();
    return text;
  }

  static std::string Fingerprint(const char* certificate) {
    const std::string pem = ReadFileText(RunDir() + "/certificates/" + certificate + ".crt");
    BYTE der[8192];
    DWORD size = sizeof(der);
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der, &size, nullptr, nullptr))
      return "";
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der, size);
    std::string fingerprint = cert ? CertificateFingerprint(cert) : "";
    if (cert) CertFreeCertificateContext(cert);
    return fingerprint;
  }

  std::unique_ptr<CAccountList> m_pList;
  size_t m_nLogStart = 0;
};

// Carries the View Mail window's calls out at once; only the boxes are kept.
class CBoxWindow : public CViewerCalls {
 public:
  void SetTitle(const char*) override {}
  void RowsWaiting() override { ++rows; }
  int ShowMessage(const char* text, const char*, UINT) override {
    boxes.push_back(text);
    return IDOK;
  }
  void Post(UINT) override {}
  int rows = 0;
  std::vector<std::string> boxes;
};

// An account made before certificates were judged keeps working: its first
// connection stores the certificate, the next ones (after a restart of the
// program too) accept it. Dovecot restarted with another certificate is refused
// by the check and by View Mail before any login, and the log has both fingerprints.
TEST_F(TrustTest, FirstUseIsStoredAndAChangedCertificateIsRefusedBeforeTheLogin) {
  const std::string first = Fingerprint("self-a"), second = Fingerprint("self-b");
  ASSERT_EQ(95u, first.size());
  ASSERT_TRUE(RestartDovecot("self-a"));
  WriteOldAccount("localhost");
  CAccount* account = Load();
  ASSERT_TRUE(account);
  EXPECT_TRUE(Check(account)) << NewLog();
  EXPECT_EQ(first, account->trustedCertificate());
  EXPECT_NE(std::string::npos,
            NewLog().find("Trusting the server's certificate for Home on first use: " + first));

  account = Load();
  EXPECT_EQ(first, account->trustedCertificate());
  EXPECT_TRUE(Check(account));
  EXPECT_EQ("", NewLog());

  ASSERT_TRUE(RestartDovecot("self-b"));
  const int logins = DovecotLines("Login: user=<alice>");
  EXPECT_FALSE(Check(account));
  EXPECT_TRUE(account->error());
  const std::string log = NewLog();
  EXPECT_NE(std::string::npos, log.find("The server's certificate for Home has changed: trusted " + first))
      << log;
  EXPECT_NE(std::string::npos,
            log.find("The server's certificate for Home has changed: presented " + second));
  EXPECT_NE(
      std::string::npos,
      log.find("Error getting mail statistics for Home from localhost: The server's certificate for Home "
               "has changed"));

  CBoxWindow window;
  CSettings settings;
  {
    CViewMailCore viewer(window, *m_pList, settings);
    viewer.StartFetch();
    ASSERT_TRUE(viewer.StartFetchWorker());
    ASSERT_TRUE(viewer.WaitForWorker(60000));
  }
  EXPECT_EQ(0, window.rows);
  ASSERT_EQ(1u, window.boxes.size());
  EXPECT_EQ(0u, window.boxes[0].find("Failed to get mail list for Home"));
  EXPECT_EQ(first, Load()->trustedCertificate());
  // Both refused connections ended without a word from the client.
  EXPECT_TRUE(WaitUntil([] { return DovecotLines("no auth attempts") >= 2; }, 10000));
  EXPECT_EQ(logins, DovecotLines("Login: user=<alice>"));
}

// What the authority signed for the right name passes and stores nothing; for
// another name, or expired, it is untrusted and so trusted on first use.
TEST_F(TrustTest, AuthoritySignedCertificatesPassOnlyForTheRightNameAndTime) {
  struct Case {
    const char* certificate;
    DWORD problem;
  } cases[] = {{"ca-localhost", 0},
               {"ca-wrongname", static_cast<DWORD>(CERT_E_CN_NO_MATCH)},
               {"ca-expired", static_cast<DWORD>(CERT_E_EXPIRED)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.certificate);
    ASSERT_TRUE(RestartDovecot(c.certificate));
    ServerCertificate seen;
    std::string error;
    ASSERT_TRUE(ProbeServerCertificate("localhost", TrustTlsPort(), 10, seen, error)) << error;
    EXPECT_EQ(c.problem, seen.problem) << DescribeTrustProblem(seen.problem);
    EXPECT_EQ(Fingerprint(c.certificate), seen.fingerprint);

    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
    WriteOldAccount("localhost");
    CAccount* account = Load();
    EXPECT_TRUE(Check(account)) << NewLog();
    EXPECT_EQ(c.problem == 0 ? "" : seen.fingerprint, account->trustedCertificate());
  }
}

}  // namespace
