#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Input.h"
#include "TestWindow.h"
#include "WindowPaint.h"

using namespace win32test;

namespace {

// The launcher's layout: two push buttons, a 10 × 10 check box with its label, a list.
struct Dialog {
  HWND top, start, quit, check, label, list;

  explicit Dialog(int listEntries = 40) {
    top = createTopLevel("ZOV", 0x10CB0000);
    auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                    int id) {
      return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, top,
                             reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr,
                             nullptr);
    };
    start = make("BUTTON", "start", BS_DEFPUSHBUTTON, 0, 0, 50, 20, 1001);
    quit = make("BUTTON", "quit", 0, 0, 20, 50, 20, 1002);
    check = make("BUTTON", "fullScreenSelection", BS_AUTOCHECKBOX, 52, 22, 10, 10, 1004);
    label = make("STATIC", "fullscreen", 0, 62, 18, 130, 20, 1004);
    list = make("LISTBOX", nullptr, WS_VSCROLL, 0, 40, 194, 200, 1003);
    SetFocus(start);
    CheckDlgButton(top, 1004, BST_CHECKED);
    for (int i = 0; i < listEntries; ++i) {
      std::string entry = "mode " + std::to_string(i);
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
  }
  ~Dialog() { DestroyWindow(top); }

  // Delivers queued input the way the launcher's loop does.
  void run() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageA(top, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
  }
  void press(int vk) {
    platform::win32::keyEvent(vk, true);
    platform::win32::keyEvent(vk, false);
    run();
  }
  std::vector<int> commands() {
    std::vector<int> ids;
    for (const Received& r : received) {
      if (r.message == WM_COMMAND && HIWORD(r.wParam) == BN_CLICKED)
        ids.push_back(LOWORD(r.wParam));
    }
    return ids;
  }
};

TEST(Dialog, TabAndShiftTabCycleThroughTheControlsInCreationOrder) {
  Dialog dialog;
  dialog.press(VK_TAB);
  EXPECT_EQ(GetFocus(), dialog.quit);
  dialog.press(VK_TAB);
  EXPECT_EQ(GetFocus(), dialog.check);
  dialog.press(VK_TAB);  // the label takes no focus
  EXPECT_EQ(GetFocus(), dialog.list);
  dialog.press(VK_TAB);
  EXPECT_EQ(GetFocus(), dialog.start);
  platform::win32::keyEvent(VK_SHIFT, true);
  dialog.press(VK_TAB);
  platform::win32::keyEvent(VK_SHIFT, false);
  dialog.run();
  EXPECT_EQ(GetFocus(), dialog.list);
}

TEST(Dialog, EnterPressesTheDefaultOrTheFocusedPushButton) {
  Dialog dialog;
  SetFocus(dialog.check);
  dialog.press(VK_RETURN);
  SetFocus(dialog.quit);
  dialog.press(VK_RETURN);
  EXPECT_EQ(dialog.commands(), (std::vector<int>{1001, 1002}));
}

TEST(Dialog, SpaceTogglesTheCheckBoxAndPressesButtons) {
  Dialog dialog;
  EXPECT_EQ(SendMessageA(dialog.check, BM_GETCHECK, 0, 0), BST_CHECKED);
  SetFocus(dialog.check);
  dialog.press(VK_SPACE);
  EXPECT_EQ(SendMessageA(dialog.check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SetFocus(dialog.quit);
  dialog.press(VK_SPACE);
  EXPECT_EQ(dialog.commands(), (std::vector<int>{1004, 1002}));
  // Both controls of identifier 1004: lookups find the check box, created first.
  EXPECT_EQ(GetDlgItem(dialog.top, 1004), dialog.check);
}

TEST(Dialog, EscapeReachesTheWindowProcedureAsKeyDown) {
  Dialog dialog;
  dialog.press(VK_ESCAPE);
  bool escape = false;
  for (const Received& r : received) {
    escape |= r.window == dialog.top && r.message == WM_KEYDOWN && r.wParam == VK_ESCAPE;
  }
  EXPECT_TRUE(escape);
  EXPECT_TRUE(dialog.commands().empty());
}

TEST(Dialog, ListOfFortyScrollsWithKeysWheelAndScrollBar) {
  Dialog dialog;
  const LRESULT visible = 200 / SendMessageA(dialog.list, LB_GETITEMHEIGHT, 0, 0);
  SetFocus(dialog.list);
  for (int i = 0; i < 3; ++i) dialog.press(VK_DOWN);
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETCURSEL, 0, 0), 3);
  dialog.press(VK_END);
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETCURSEL, 0, 0), 39);
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETTOPINDEX, 0, 0), 40 - visible);
  dialog.press(VK_HOME);
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETTOPINDEX, 0, 0), 0);
  dialog.press(VK_NEXT);
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETCURSEL, 0, 0), visible - 1);

  dialog.press(VK_HOME);
  platform::win32::mouseWheel(dialog.top, 50, 100, -WHEEL_DELTA);  // one notch towards the user
  dialog.run();
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETTOPINDEX, 0, 0), 3);
  // The scroll bar's down arrow, at the list's bottom right.
  platform::win32::mouseButton(dialog.top, 185, 40 + 195, true);
  platform::win32::mouseButton(dialog.top, 185, 40 + 195, false);
  dialog.run();
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETTOPINDEX, 0, 0), 4);
  // A click on the third visible row selects the item shown there.
  platform::win32::mouseButton(dialog.top, 40, 40 + 2 * 16 + 8, true);
  platform::win32::mouseButton(dialog.top, 40, 40 + 2 * 16 + 8, false);
  dialog.run();
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETCURSEL, 0, 0), 6);
  char text[32] = {};
  SendMessageA(dialog.list, LB_GETTEXT, 6, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "mode 6");
  EXPECT_EQ(SendMessageA(dialog.list, LB_SETCURSEL, 40, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(dialog.list, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST(Dialog, NotifyingListTellsItsParentOfSelectionChangesByTheUserOnly) {
  Dialog dialog(5);
  HWND notifying =
      CreateWindowExA(0, "LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 250, 100, 80,
                      dialog.top, reinterpret_cast<HMENU>(77), nullptr, nullptr);
  for (const char* entry : {"a", "b", "c"}) {
    SendMessageA(notifying, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  SendMessageA(notifying, LB_SETCURSEL, 0, 0);
  SetFocus(notifying);
  dialog.press(VK_DOWN);
  dialog.press(VK_HOME);
  dialog.press(VK_HOME);  // no change, no notification
  int changes = 0;
  for (const Received& r : received) {
    changes +=
        r.message == WM_COMMAND && LOWORD(r.wParam) == 77 && HIWORD(r.wParam) == LBN_SELCHANGE;
  }
  EXPECT_EQ(changes, 2);
}

struct Image {
  std::vector<std::uint32_t> argb;
  int width = 0, height = 0;
  int luminance(int x, int y) const {
    std::uint32_t p = argb[static_cast<size_t>(y) * width + x];
    return (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
  }
  // Pixels darker than any face, border or highlight colour of the dialog: text.
  int darkPixels(int x0, int y0, int x1, int y1) const {
    int count = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) count += luminance(x, y) < 80;
    return count;
  }
};

TEST(DialogRendering, TextsAreDrawnInsideTheirControls) {
  Dialog dialog(3);
  Image image;
  ASSERT_TRUE(platform::win32::renderClientArea(dialog.top, image.argb, image.width, image.height));
  ASSERT_EQ(image.width, 194);
  // Glyphs of "start" and "quit" lie inside the buttons, away from their borders; a 12 px
  // face puts at least a few dozen dark pixels into each word.
  EXPECT_GT(image.darkPixels(4, 3, 46, 17), 20);
  EXPECT_GT(image.darkPixels(4, 23, 46, 37), 20);
  // The label's text "fullscreen" starts at its left edge.
  EXPECT_GT(image.darkPixels(62, 18, 130, 34), 30);
  // Between the controls the dialog face shows, untouched by any text.
  EXPECT_EQ(image.darkPixels(130, 0, 194, 18), 0);
  EXPECT_EQ(image.argb[5 * 194 + 150] & 0xFFFFFF, 0xF0F0F0u);
  // The first list row is selected: highlight colour behind dark-free white text.
  std::uint32_t row = image.argb[(40 + 8) * 194 + 150] & 0xFFFFFF;
  EXPECT_EQ(row, 0x0078D7u);
  // Unselected rows hold dark text on white.
  EXPECT_GT(image.darkPixels(2, 40 + 16, 60, 40 + 32), 20);
  EXPECT_EQ(image.argb[(40 + 20) * 194 + 150] & 0xFFFFFF, 0xFFFFFFu);
  // The checked box shows its tick: dark pixels inside the 10 × 10 box.
  EXPECT_GT(image.darkPixels(53, 23, 61, 31), 3);

  if (const char* dump = std::getenv("VANTOR_DUMP_DIALOG")) {
    if (FILE* file = std::fopen(dump, "wb")) {
      std::fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
      for (std::uint32_t p : image.argb) {
        unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                static_cast<unsigned char>(p >> 8), static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, file);
      }
      std::fclose(file);
    }
  }
}

}  // namespace
