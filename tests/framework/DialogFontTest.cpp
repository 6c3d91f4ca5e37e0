// Dialogs in the system's message font: the template's font is replaced and
// every control still comes up where the template puts it.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "framework/DialogTemplate.h"
#include "res/resource.h"

namespace {
INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

std::wstring FaceOf(HWND window) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfFaceName;
}
}  // namespace

TEST(DialogFont, ShellFontTemplatesGetTheMessageFontAndKeepTheirControls) {
  DialogFont message;
  ASSERT_TRUE(GetMessageFont(message));
  std::vector<BYTE> settings = LoadDialogTemplate(GetModuleHandleA(nullptr), IDD_SETTINGS);
  ASSERT_FALSE(settings.empty());
  HWND dialog = CreateDialogIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(settings.data()), nullptr, NoHandling, 0);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(message.face, FaceOf(dialog));
  // The controls after the font moved with it: all there, with their texts.
  char text[32] = "";
  GetDlgItemTextA(dialog, IDC_SETDEFAULTS, text, sizeof text);
  EXPECT_STREQ("Set &Defaults", text);
  EXPECT_EQ(message.face, FaceOf(GetDlgItem(dialog, IDC_BROWSE)));
  DestroyWindow(dialog);

  // The intro keeps its own font; a template cut short is left alone.
  std::vector<BYTE> intro = LoadDialogTemplate(GetModuleHandleA(nullptr), IDD_TIDEWELL);
  EXPECT_FALSE(SetTemplateFont(intro, message));
  settings.resize(40);
  std::vector<BYTE> cut = settings;
  EXPECT_FALSE(SetTemplateFont(settings, message));
  EXPECT_EQ(cut, settings);
}

namespace {
// The access key of a text ('&' before a letter; "&&" is a plain '&'), or 0.
char AccessKey(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

// Every text with its key, no key twice; OK, Cancel and Close answer Enter and Esc.
void ExpectKeysOnEvery(const std::vector<std::string>& texts, const char* where) {
  std::set<char> keys;
  for (const std::string& text : texts) {
    if (text.empty() || text == "OK" || text == "Cancel" || text == "Close") continue;
    const char key = AccessKey(text);
    EXPECT_NE(0, key) << where << ": " << text;
    if (key) EXPECT_TRUE(keys.insert(key).second) << where << ": " << text << " repeats its key";
  }
}
}  // namespace

// Labels, buttons and boxes of every dialog, and every menu item: each has an
// access key, none twice in one dialog or menu.
TEST(AccessKeys, EveryDialogControlAndMenuItemHasItsOwnKey) {
  for (int id : {IDD_SETTINGS, IDD_ABOUTBOX, IDD_ACCOUNTS, IDD_ACCOUNT}) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, NoHandling, 0);
    ASSERT_TRUE(dialog) << id;
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char kind[32] = "", text[256] = "";
      GetClassNameA(child, kind, sizeof kind);
      // Statics that show values (product, version, web address) are filled at run time.
      const bool label = lstrcmpiA(kind, "Static") == 0 && GetDlgCtrlID(child) == -1 &&
                         (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON;
      if (lstrcmpiA(kind, "Button") != 0 && !label) continue;
      GetWindowTextA(child, text, sizeof text);
      texts.push_back(text);
    }
    ExpectKeysOnEvery(texts, ("dialog " + std::to_string(id)).c_str());
    DestroyWindow(dialog);
  }
  for (int id : {IDR_TRAYMENU, IDR_ACCOUNTMENU, IDR_MAIL_MENU}) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    ASSERT_TRUE(menu) << id;
    HMENU popup = GetSubMenu(menu, 0);
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[256] = "";
      GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      texts.push_back(text);
    }
    ExpectKeysOnEvery(texts, ("menu " + std::to_string(id)).c_str());
    DestroyMenu(menu);
  }
}
