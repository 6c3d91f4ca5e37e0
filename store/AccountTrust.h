// Trust on first use: how an account's connection treats a server certificate
// that the system does not vouch for. Free of windows and of the network.
#pragma once

#include <string>

// One the system trusts passes; else the account's trusted fingerprint decides;
// with none stored yet, the first one seen is trusted (and stored by the list).
enum class TrustVerdict { Trusted, Pinned, FirstUse, Changed };
TrustVerdict DecideTrust(bool chainTrusted, const std::string& trusted, const std::string& presented);
