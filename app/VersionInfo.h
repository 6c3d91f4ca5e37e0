// Six strings of the running program's own version resource.
#pragma once
#include <string>

class CVersionInfo {
 public:
  // Fields are cut to this many characters.
  static constexpr size_t kMaxField = 254;

  CVersionInfo();  // reads the resource of the running program; missing keys stay empty
  explicit CVersionInfo(const char* path);

  const char* productName() const { return m_fields[0].c_str(); }
  const char* productVersion() const { return m_fields[1].c_str(); }
  const char* internalName() const { return m_fields[2].c_str(); }
  const char* legalCopyright() const { return m_fields[3].c_str(); }
  const char* comments() const { return m_fields[4].c_str(); }
  const char* companyName() const { return m_fields[5].c_str(); }

 private:
  void Read(const char* path);
  std::string m_fields[6];
};

extern CVersionInfo g_versionInfo;
