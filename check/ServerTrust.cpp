// The account certificate check: the system's verdict, then trust on first use.
#include "check/ServerTrust.h"

#include "framework/Format.h"
#include "store/AccountList.h"

CertificateCheck AccountCertificateCheck(CAccountList& list, const CAccount* account, const std::string& name,
                                         std::function<void(const std::string&)> log) {
  return [&list, account, name, log](const ServerCertificate& certificate) -> std::string {
    const std::string& presented = certificate.fingerprint;
    std::string trusted = list.TrustedCertificate(account);
    TrustVerdict verdict = DecideTrust(certificate.chainTrusted, trusted, presented);
    // Another connection (or the user) may have stored one since the look; a
    // record that is not the list's can store nothing and trusts nothing.
    if (verdict == TrustVerdict::FirstUse && !list.TrustOnFirstUse(account, presented, trusted))
      verdict = trusted.empty() ? TrustVerdict::Changed : DecideTrust(false, trusted, presented);
    switch (verdict) {
      case TrustVerdict::Trusted:
      case TrustVerdict::Pinned:
        return std::string();
      case TrustVerdict::FirstUse:
        log(Format("Trusting the server's certificate for %s on first use: %s", name.c_str(),
                   presented.c_str()));
        return std::string();
      case TrustVerdict::Changed:
        break;
    }
    // Two lines: the log cuts a line at 255 characters, and each fingerprint takes 95.
    log(Format("The server's certificate for %s has changed: trusted %s", name.c_str(),
               trusted.empty() ? "none" : trusted.c_str()));
    log(Format("The server's certificate for %s has changed: presented %s", name.c_str(), presented.c_str()));
    return Format("The server's certificate for %s has changed", name.c_str());
  };
}
