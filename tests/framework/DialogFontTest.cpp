// Dialogs in the system's message font: the template's font is replaced and
// every control still comes up where the template puts it.
#include <gtest/gtest.h>

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
