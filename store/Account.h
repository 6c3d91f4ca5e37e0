// One POP3 account: the fields the user edits (stored in the registry) and the
// counts and error flag the mail check writes into it at run time.
#pragma once

#include <string>

// A text field that owns its copy and may be null (never set, or set to null).
class COwnedText {
 public:
  const char* Get() const { return m_bSet ? m_text.c_str() : nullptr; }
  void Set(const char* text) {
    m_bSet = text != nullptr;
    m_text = text ? text : "";
  }

 private:
  std::string m_text;
  bool m_bSet = false;
};

// The stored fields of one account, copied out of the list under its lock for a
// worker that talks to the server; null texts become empty.
struct AccountConnection {
  std::string name, host, user, password;
  int port = 110;
  bool ssl = false;
};

class CAccount {
 public:
  static const int kPlainPort = 110;
  static const int kSslPort = 995;

  // Copies the stored fields only, SSL before port (SetSsl resets the port);
  // the runtime counts and error flag stay as they were.
  void Assign(const CAccount& other);

  const char* name() const { return m_name.Get(); }
  const char* host() const { return m_host.Get(); }
  const char* user() const { return m_user.Get(); }
  const char* password() const { return m_password.Get(); }
  int port() const { return m_nPort; }
  bool ssl() const { return m_bSsl; }
  bool deleted() const { return m_bDeleted; }
  bool disabled() const { return m_bDisabled; }
  // A slot whose stored values could not all be read: kept as it is in the
  // registry, never checked, shown or reused.
  bool unreadable() const { return m_bUnreadable; }
  bool IsActive() const { return !m_bDeleted && !m_bDisabled && !m_bUnreadable; }

  void SetName(const char* text) { m_name.Set(text); }
  void SetHost(const char* text) { m_host.Set(text); }
  void SetUser(const char* text) { m_user.Set(text); }
  void SetPassword(const char* text) { m_password.Set(text); }
  // Also puts the protocol's usual port in place; set the port afterwards.
  void SetSsl(bool on) {
    m_bSsl = on;
    m_nPort = on ? kSslPort : kPlainPort;
  }
  void SetPort(int port) { m_nPort = port; }
  void SetDeleted(bool on) { m_bDeleted = on; }
  void SetDisabled(bool on) { m_bDisabled = on; }
  // SHA-256 fingerprint of the server certificate the user trusts for this
  // account although the system does not ("" for none). Kept in a value of its
  // own beside the eight, saved with them and changed by the list's trust operations.
  const std::string& trustedCertificate() const { return m_trustedCertificate; }
  void SetTrustedCertificate(const std::string& fingerprint) { m_trustedCertificate = fingerprint; }
  void SetUnreadable(bool on) { m_bUnreadable = on; }

  // Runtime state, written by the check workers (one at a time) without the list's lock.
  void SetCount(int n) {
    m_nCurrentCount = n;
    m_bError = false;
  }
  void SetError() { m_bError = true; }
  bool HasError() const { return m_bError; }
  bool error() const { return m_bError; }
  int previousCount() const { return m_nPreviousCount; }
  int currentCount() const { return m_nCurrentCount; }
  // Hands out both counts and starts a new comparison period.
  void TakeCounts(int& previous, int& current) {
    previous = m_nPreviousCount;
    current = m_nCurrentCount;
    m_nPreviousCount = m_nCurrentCount;
  }
  void SubtractCount(int n) { m_nCurrentCount -= n; }

 private:
  COwnedText m_name, m_host, m_user, m_password;
  bool m_bDeleted = false;
  bool m_bDisabled = false;
  int m_nPort = kPlainPort;
  bool m_bSsl = false;
  std::string m_trustedCertificate;
  bool m_bUnreadable = false;
  int m_nPreviousCount = 0;
  int m_nCurrentCount = 0;
  bool m_bError = false;
};
