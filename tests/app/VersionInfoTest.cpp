// The version strings, read from this test program's copy of the resource script.
#include <winsock2.h>
#include <windows.h>
#include <gtest/gtest.h>

#include "app/VersionInfo.h"
#include "res/resource.h"

TEST(VersionInfo, SixStringsMatchTheResource) {
  CVersionInfo info;
  EXPECT_STREQ(TIDEWELL_PRODUCT, info.productName());
  EXPECT_STREQ(TIDEWELL_VERSION_TEXT, info.productVersion());
  EXPECT_STREQ(TIDEWELL_INTERNAL, info.internalName());
  EXPECT_STREQ(TIDEWELL_COPYRIGHT, info.legalCopyright());
  EXPECT_STREQ(TIDEWELL_WEBHOST, info.comments());
  EXPECT_STREQ(TIDEWELL_COMPANY, info.companyName());
  EXPECT_STREQ("Tidewell", info.productName());
  EXPECT_STREQ("Venterly", info.companyName());
}

TEST(VersionInfo, WebHostHasNoSchemeOrPath) {
  CVersionInfo info;
  std::string host = info.comments();
  EXPECT_EQ(std::string::npos, host.find("://"));
  EXPECT_EQ(std::string::npos, host.find('/'));
  EXPECT_NE(std::string::npos, host.find('.'));
}

TEST(VersionInfo, FileWithoutResourceGivesEmptyTexts) {
  char system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
  CVersionInfo missing((std::string(system) + "\\no-such-file.exe").c_str());
  EXPECT_STREQ("", missing.productName());
  EXPECT_STREQ("", missing.comments());
  EXPECT_STREQ("", missing.companyName());
}
