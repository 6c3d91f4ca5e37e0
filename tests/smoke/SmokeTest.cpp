// The test harness itself: wine runs us, the registry is the run's own.
#include <winsock2.h>
#include <windows.h>
#include <gtest/gtest.h>

TEST(Harness, RegistryIsWritable) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\TidewellHarness", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TidewellHarness");
}
