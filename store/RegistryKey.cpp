// Registry section keys and the Run-at-login entry.
#include "store/RegistryKey.h"

#include <cstdio>
#include <cstring>

const char kRunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValueName[] = "Venterly-Tidewell";

namespace {

// Length of the text as it will be stored: at most kMaxText characters, so that
// whatever we write can be read back.
DWORD StoredLength(const char* text) {
  if (!text) return 0;
  const size_t n = strlen(text);
  return static_cast<DWORD>(n > CRegistryKey::kMaxText ? CRegistryKey::kMaxText : n);
}

}  // namespace

bool CRegistryKey::Open(const char* program, const char* section) {
  Close();
  char path[256];
  const int n = snprintf(path, sizeof path, "Software\\Venterly\\%s\\%s", program, section);
  // A cut path would name some other key; refuse it instead.
  if (n < 0 || n >= static_cast<int>(sizeof path)) return false;
  return OpenPath(path);
}

bool CRegistryKey::OpenPath(const char* subkey) {
  Close();
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
      ERROR_SUCCESS)
    m_hKey = key;
  return m_hKey != nullptr;
}

void CRegistryKey::Close() {
  if (m_hKey) RegCloseKey(m_hKey);
  m_hKey = nullptr;
}

std::string CRegistryKey::ReadString(const char* name, const char* defaultText) const {
  // 255 bytes: a stored text of up to 254 characters plus its terminator; a
  // longer value does not fit and gives the default.
  char buffer[kMaxText + 2];
  DWORD size = kMaxText + 1;
  DWORD type = REG_NONE;
  const LONG rc = m_hKey
                      ? RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size)
                      : ERROR_INVALID_HANDLE;
  if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && size < sizeof buffer) {
    buffer[size] = '\0';  // the registry does not promise a terminator
    return buffer;
  }
  return std::string(defaultText ? defaultText : "", StoredLength(defaultText));
}

void CRegistryKey::WriteRaw(const char* name, const char* data, DWORD size) {
  if (m_hKey) RegSetValueExA(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), size);
}

const char* CRegistryKey::WriteString(const char* name, const char* text) {
  // The registry stores exactly the bytes given, so a cut text needs its own
  // terminator; the copy leaves the caller's text untouched.
  char data[kMaxText + 1];
  const DWORD length = StoredLength(text);
  if (length) memcpy(data, text, length);
  data[length] = '\0';
  WriteRaw(name, data, text ? length + 1 : 0);  // null: a value with no data
  return text;
}

int CRegistryKey::ReadDword(const char* name, int defaultValue) {
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = REG_NONE;
  if (!m_hKey) return defaultValue;
  if (RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
    return defaultValue;
  // A short string or binary value would leave part of the number unset.
  if (type != REG_DWORD || size != sizeof value) return defaultValue;
  return static_cast<int>(value);
}

int CRegistryKey::WriteDword(const char* name, int value) {
  const DWORD data = static_cast<DWORD>(value);
  if (m_hKey) RegSetValueExA(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  return value;
}

void SetRunAtLogin(const char* path) {
  CRegistryKey key;
  if (!path || !key.OpenPath(kRunKeyPath)) return;
  // Written whole, never cut: a shortened path would be a wrong command.
  key.WriteRaw(kRunValueName, path, static_cast<DWORD>(strlen(path)) + 1);
}

void ClearRunAtLogin() {
  CRegistryKey key;
  if (key.OpenPath(kRunKeyPath)) key.WriteRaw(kRunValueName, "", 0);
}
