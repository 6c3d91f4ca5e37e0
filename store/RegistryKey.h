// Access to one section key of the program under HKCU\Software\Venterly, and the Run-at-login entry.
// Failures are silent by design: reads give the caller's default, writes are dropped.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

class CRegistryKey {
 public:
  // Longest text a string value may hold and still read back whole (a 255-byte
  // read including the terminator). Longer texts are cut to this on write.
  static const int kMaxText = 254;

  CRegistryKey() = default;
  ~CRegistryKey() { Close(); }
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Creates or opens HKCU\Software\Venterly\<program>\<section>. On failure the
  // object holds no handle and every other call on it is harmless.
  bool Open(const char* program, const char* section);
  // Creates or opens any subkey of HKCU (used for the Run key).
  bool OpenPath(const char* subkey);
  void Close();
  bool IsOpen() const { return m_hKey != nullptr; }

  // Gives the default (cut to kMaxText) for a missing, non-string or over-long value.
  std::string ReadString(const char* name, const char* defaultText) const;
  // Writes REG_SZ; null writes an empty value. Returns text.
  const char* WriteString(const char* name, const char* text);
  // Gives the default unless the value is a 4-byte REG_DWORD.
  int ReadDword(const char* name, int defaultValue);
  int WriteDword(const char* name, int value);
  // REG_SZ of exactly these bytes (size 0: an empty value).
  void WriteRaw(const char* name, const char* data, DWORD size);

 private:
  HKEY m_hKey = nullptr;
};

// HKCU\...\CurrentVersion\Run, value "Venterly-Tidewell".
extern const char kRunKeyPath[];
extern const char kRunValueName[];

// Stores the executable's path as the Run-at-login command.
void SetRunAtLogin(const char* path);
// Leaves the Run-at-login value present but empty: an empty command starts nothing.
void ClearRunAtLogin();
