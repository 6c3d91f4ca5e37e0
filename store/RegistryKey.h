// Access to one section key of the program under HKCU\Software\Venterly, and the Run-at-login entry.
// Failures are silent by design: reads give the caller's default, writes are dropped.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

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
  // Opens the section only when it exists; creates nothing.
  bool OpenExisting(const char* program, const char* section);
  // Creates or opens any subkey of HKCU (used for the Run key).
  bool OpenPath(const char* subkey);
  // Removes HKCU\Software\Venterly\<program>\<section> (a key without subkeys);
  // true when it is gone, also when it was not there.
  static bool DeleteSection(const char* program, const char* section);
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

  // What a read found: no such value, the value, or a value that is there but
  // cannot be taken as asked.
  enum class Found { Missing, Read, Unreadable };
  // A string value (REG_SZ, or REG_EXPAND_SZ unexpanded) of at most kMaxText characters.
  Found ReadText(const char* name, std::string& out) const;
  // A number stored as a REG_DWORD, a REG_QWORD in the int range, or decimal text.
  Found ReadNumber(const char* name, int& out) const;

  // Writes that say whether the registry took them.
  bool TryWriteString(const char* name, const char* text);
  bool TryWriteDword(const char* name, int value);
  bool TryWriteValue(const char* name, DWORD type, const void* data, DWORD size);
  // True when the value is gone, also when it was not there.
  bool TryDeleteValue(const char* name);

  struct Value {
    std::string name;
    DWORD type;
    std::string data;
  };
  // Every value of the key, as stored; false when they could not all be read.
  bool ReadAllValues(std::vector<Value>& out) const;

 private:
  HKEY m_hKey = nullptr;
};

// HKCU\...\CurrentVersion\Run, value "Venterly-Tidewell".
extern const char kRunKeyPath[];
extern const char kRunValueName[];

// Stores the executable's path, quoted, as the Run-at-login command.
void SetRunAtLogin(const char* path);
// Deletes the Run-at-login value (nothing to do when there is none).
void ClearRunAtLogin();
