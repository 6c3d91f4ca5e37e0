// Registry section keys and the Run-at-login entry.
#include "store/RegistryKey.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
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

// "Software\Venterly\<program>\<section>", or empty when it does not fit the 256-byte path.
std::string SectionPath(const char* program, const char* section) {
  char path[256];
  const int n = snprintf(path, sizeof path, "Software\\Venterly\\%s\\%s", program, section);
  // A cut path would name some other key; refuse it instead.
  return n < 0 || n >= static_cast<int>(sizeof path) ? std::string() : std::string(path);
}

// Decimal text with optional blanks around it; false for anything else.
bool ParseNumber(const std::string& text, int& out) {
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = strtoll(start, &end, 10);
  if (end == start || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace

bool CRegistryKey::Open(const char* program, const char* section) {
  Close();
  const std::string path = SectionPath(program, section);
  return !path.empty() && OpenPath(path.c_str());
}

bool CRegistryKey::OpenExisting(const char* program, const char* section) {
  Close();
  const std::string path = SectionPath(program, section);
  HKEY key = nullptr;
  if (!path.empty() &&
      RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
    m_hKey = key;
  return m_hKey != nullptr;
}

bool CRegistryKey::DeleteSection(const char* program, const char* section) {
  const std::string path = SectionPath(program, section);
  if (path.empty()) return false;
  const LONG rc = RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
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
  TryWriteValue(name, REG_SZ, data, size);
}

bool CRegistryKey::TryWriteValue(const char* name, DWORD type, const void* data, DWORD size) {
  return m_hKey &&
         RegSetValueExA(m_hKey, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool CRegistryKey::TryWriteString(const char* name, const char* text) {
  // The registry stores exactly the bytes given, so a cut text needs its own
  // terminator; the copy leaves the caller's text untouched.
  char data[kMaxText + 1];
  const DWORD length = StoredLength(text);
  if (length) memcpy(data, text, length);
  data[length] = '\0';
  return TryWriteValue(name, REG_SZ, data, text ? length + 1 : 0);  // null: a value with no data
}

bool CRegistryKey::TryWriteDword(const char* name, int value) {
  const DWORD data = static_cast<DWORD>(value);
  return TryWriteValue(name, REG_DWORD, &data, sizeof data);
}

bool CRegistryKey::TryDeleteValue(const char* name) {
  if (!m_hKey) return false;
  const LONG rc = RegDeleteValueA(m_hKey, name);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

CRegistryKey::Found CRegistryKey::ReadText(const char* name, std::string& out) const {
  char buffer[kMaxText + 2];
  DWORD size = kMaxText + 1;
  DWORD type = REG_NONE;
  if (!m_hKey) return Found::Missing;
  const LONG rc = RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (rc == ERROR_FILE_NOT_FOUND) return Found::Missing;
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return Found::Unreadable;
  buffer[size] = '\0';  // the registry does not promise a terminator
  if (strlen(buffer) > static_cast<size_t>(kMaxText)) return Found::Unreadable;
  out = buffer;
  return Found::Read;
}

CRegistryKey::Found CRegistryKey::ReadNumber(const char* name, int& out) const {
  // Room for a REG_QWORD or the longest decimal text of an int, blanks around it included.
  char buffer[32] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = REG_NONE;
  if (!m_hKey) return Found::Missing;
  const LONG rc = RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (rc == ERROR_FILE_NOT_FOUND) return Found::Missing;
  if (rc != ERROR_SUCCESS) return Found::Unreadable;
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD value;
    memcpy(&value, buffer, sizeof value);
    out = static_cast<int>(value);
    return Found::Read;
  }
  if (type == REG_QWORD && size == sizeof(long long)) {
    long long value;
    memcpy(&value, buffer, sizeof value);
    if (value < INT_MIN || value > INT_MAX) return Found::Unreadable;
    out = static_cast<int>(value);
    return Found::Read;
  }
  if ((type == REG_SZ || type == REG_EXPAND_SZ) &&
      ParseNumber(std::string(buffer, strnlen(buffer, size)), out))
    return Found::Read;
  return Found::Unreadable;
}

bool CRegistryKey::ReadAllValues(std::vector<Value>& out) const {
  out.clear();
  if (!m_hKey) return false;
  DWORD count = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyA(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                       &longestData, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<char> name(longestName + 2);
  std::string data(longestData + 1, '\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(m_hKey, i, name.data(), &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                      &dataSize) != ERROR_SUCCESS)
      return false;
    out.push_back({std::string(name.data(), nameSize), type, data.substr(0, dataSize)});
  }
  return true;
}

const char* CRegistryKey::WriteString(const char* name, const char* text) {
  TryWriteString(name, text);
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
  TryWriteDword(name, value);
  return value;
}

void SetRunAtLogin(const char* path) {
  CRegistryKey key;
  if (!path || !key.OpenPath(kRunKeyPath)) return;
  // Quoted, as the default install folder has a blank in it; written whole,
  // never cut: a shortened path would be a wrong command.
  const std::string command = std::string("\"") + path + "\"";
  key.WriteRaw(kRunValueName, command.c_str(), static_cast<DWORD>(command.size()) + 1);
}

void ClearRunAtLogin() {
  CRegistryKey key;
  // Deleted, not emptied: the system's list of startup programs would show an empty one.
  if (key.OpenPath(kRunKeyPath)) key.TryDeleteValue(kRunValueName);
}
