// The certificate check of one account's TLS connections, shared by the mail
// check and View Mail, so that both take the same decision on the same value.
#pragma once

#include <functional>
#include <string>

#include "pop3/CertificateTrust.h"

class CAccount;
class CAccountList;

// A certificate the system trusts for the account's host passes. Otherwise the
// account's trusted fingerprint decides: an account that trusts none yet
// trusts the first certificate it meets and stores it (trust on first use);
// any other one is refused, so nothing (no password) is sent to that server.
// Both outcomes are told to log with the fingerprints.
CertificateCheck AccountCertificateCheck(CAccountList& list, const CAccount* account, const std::string& name,
                                         std::function<void(const std::string&)> log);
