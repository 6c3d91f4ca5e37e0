// Store test helpers.
#include "StoreTestSupport.h"

#include "ImportHook.h"
#include "store/RegistryKey.h"

void RegistryTest::Clean() {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, kRunValueName);
    RegCloseKey(key);
  }
}

namespace raw {
namespace {

std::string PathOf(const char* section) {
  return *section ? SectionPath(section) : std::string(kRunKeyPath);
}

bool Query(const char* section, const char* name, DWORD& type, std::string& data) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, PathOf(section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    data.assign(size, '\0');
    rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    data.resize(size);
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

}  // namespace

std::string SectionPath(const char* section) {
  return std::string("Software\\Venterly\\Tidewell\\") + section;
}

void SetBytes(const char* section, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, PathOf(section).c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
  RegCloseKey(key);
}

void SetString(const char* section, const char* name, const std::string& text) {
  SetBytes(section, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void SetDword(const char* section, const char* name, DWORD value) {
  SetBytes(section, name, REG_DWORD, &value, sizeof value);
}

bool Exists(const char* section, const char* name) {
  return Type(section, name) != REG_NONE;
}

DWORD Type(const char* section, const char* name) {
  DWORD type = REG_NONE;
  std::string data;
  return Query(section, name, type, data) ? type : REG_NONE;
}

std::string GetString(const char* section, const char* name) {
  DWORD type = REG_NONE;
  std::string data;
  if (!Query(section, name, type, data)) return "<missing>";
  while (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}

DWORD GetDword(const char* section, const char* name, DWORD missing) {
  DWORD type = REG_NONE;
  std::string data;
  if (!Query(section, name, type, data) || type != REG_DWORD || data.size() != 4) return missing;
  DWORD value;
  memcpy(&value, data.data(), 4);
  return value;
}

}  // namespace raw

TestThread::TestThread(std::function<void()> body) : m_body(std::move(body)) {
  m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

TestThread::~TestThread() {
  if (!m_hThread) return;
  // A thread that is just finishing (giving back a hold, freeing memory) is let
  // finish: killed there, it would leave the lock's guard or the heap's locked.
  if (WaitForSingleObject(m_hThread, 10000) != WAIT_OBJECT_0) TerminateThread(m_hThread, 1);
  CloseHandle(m_hThread);
}

bool TestThread::Join(DWORD timeoutMs) {
  return m_hThread && WaitForSingleObject(m_hThread, timeoutMs) == WAIT_OBJECT_0;
}

DWORD WINAPI TestThread::Run(LPVOID self) {
  static_cast<TestThread*>(self)->m_body();
  return 0;
}

namespace {

using SetValueFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
using DeleteValueFn = LONG(WINAPI*)(HKEY, LPCSTR);
using DeleteKeyFn = LONG(WINAPI*)(HKEY, LPCSTR);
using CreateKeyFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, const SECURITY_ATTRIBUTES*,
                                  PHKEY, LPDWORD);
SetValueFn g_setValue;
DeleteValueFn g_deleteValue;
DeleteKeyFn g_deleteKey;
CreateKeyFn g_createKey;
int g_allowed = -1, g_asked = 0;

bool Go() {
  return g_allowed < 0 || g_asked++ < g_allowed;
}
LONG WINAPI SetValue(HKEY k, LPCSTR n, DWORD r, DWORD t, const BYTE* d, DWORD s) {
  return Go() ? g_setValue(k, n, r, t, d, s) : ERROR_ACCESS_DENIED;
}
LONG WINAPI DeleteValue(HKEY k, LPCSTR n) {
  return Go() ? g_deleteValue(k, n) : ERROR_ACCESS_DENIED;
}
LONG WINAPI DeleteKey(HKEY k, LPCSTR n) {
  return Go() ? g_deleteKey(k, n) : ERROR_ACCESS_DENIED;
}
LONG WINAPI CreateKey(HKEY k, LPCSTR n, DWORD r, LPSTR c, DWORD o, REGSAM a, const SECURITY_ATTRIBUTES* s,
                      PHKEY out, LPDWORD d) {
  return Go() ? g_createKey(k, n, r, c, o, a, s, out, d) : ERROR_ACCESS_DENIED;
}

template <typename Fn>
void Swap(const char* name, Fn& original, Fn replacement) {
  original = reinterpret_cast<Fn>(HookImport("advapi32.dll", name, reinterpret_cast<void*>(replacement)));
}

}  // namespace

CRegistryRefusal::CRegistryRefusal() {
  Allow(-1);
  Swap("RegSetValueExA", g_setValue, SetValue);
  Swap("RegDeleteValueA", g_deleteValue, DeleteValue);
  Swap("RegDeleteKeyA", g_deleteKey, DeleteKey);
  Swap("RegCreateKeyExA", g_createKey, CreateKey);
}

CRegistryRefusal::~CRegistryRefusal() {
  HookImport("advapi32.dll", "RegSetValueExA", reinterpret_cast<void*>(g_setValue));
  HookImport("advapi32.dll", "RegDeleteValueA", reinterpret_cast<void*>(g_deleteValue));
  HookImport("advapi32.dll", "RegDeleteKeyA", reinterpret_cast<void*>(g_deleteKey));
  HookImport("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<void*>(g_createKey));
}

void CRegistryRefusal::Allow(int changes) {
  g_allowed = changes;
  g_asked = 0;
}

int CRegistryRefusal::Asked() {
  return g_asked;
}
