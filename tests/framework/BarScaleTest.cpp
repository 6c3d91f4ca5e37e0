// The View Mail window's bars at 100, 150 and 200 %: the status panes and the
// toolbar's pictures and buttons follow the DPI, also when it changes.
#include <gtest/gtest.h>

#include "framework/ControlBars.h"
#include "res/resource.h"
#include "viewer/CountStatusBar.h"

namespace {
const CToolBar::Pictures kToolbar = {{IDR_MAIL_TOOLBAR, IDR_MAIL_TOOLBAR_150, IDR_MAIL_TOOLBAR_200}, 18, 5};
}  // namespace

TEST(BarScale, StatusPanesAndToolbarFollowTheDpi) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 300, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(parent);
  CCountStatusBar status;
  CToolBar toolbar;
  ASSERT_TRUE(status.Create(parent));
  ASSERT_TRUE(toolbar.Create(parent));
  const int commands[] = {ID_TB_DELETE, ID_TB_UNDELETE, ID_TB_INFO, ID_TB_REFRESH, ID_TB_CLOSE};
  ASSERT_TRUE(toolbar.AddButtons(commands, 5));

  // The same bars through a round of DPI changes, as a window moved between screens sees them.
  int lastButton = 0;
  for (int dpi : {96, 144, 192, 120, 96}) {
    SCOPED_TRACE(dpi);
    ASSERT_TRUE(status.SetDpi(dpi));
    int edges[3] = {};
    ASSERT_EQ(3, SendMessageA(status.hwnd(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)));
    EXPECT_EQ(MulDiv(80, dpi, 96), edges[0]);
    EXPECT_EQ(MulDiv(200, dpi, 96), edges[1]);
    EXPECT_EQ(-1, edges[2]);

    ASSERT_TRUE(toolbar.SetPictures(GetModuleHandleA(nullptr), kToolbar, dpi));
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar.hwnd(), TB_GETIMAGELIST, 0, 0));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images, &cx, &cy));
    // 125 % keeps the 100 % pictures: sharp rather than blown up.
    const int cell = dpi >= 144 ? 18 * dpi / 96 : 18;
    EXPECT_EQ(cell, cx);
    EXPECT_EQ(cell, cy);
    EXPECT_EQ(5, ImageList_GetImageCount(images));
    DWORD button = static_cast<DWORD>(SendMessageA(toolbar.hwnd(), TB_GETBUTTONSIZE, 0, 0));
    EXPECT_GT(LOWORD(button), cell);
    EXPECT_GT(HIWORD(button), cell);
    EXPECT_NE(lastButton, LOWORD(button));  // every step changes the scale
    lastButton = LOWORD(button);
  }
  DestroyWindow(parent);
}
