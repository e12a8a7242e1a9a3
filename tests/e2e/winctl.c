/* Test helper run under Wine beside Vrinx.exe: finds the demo window and talks
   to it the way Windows would.
     winctl wait SECONDS      wait until the window exists
     winctl rect              print the client area in screen pixels: x y width height
     winctl close             post WM_CLOSE
     winctl key VK            post WM_KEYDOWN/WM_KEYUP with a virtual-key code
     winctl size W H          resize the window so that its client area is W x H
     winctl hold VK N         post WM_KEYDOWN, N auto-repeated WM_KEYDOWNs (bit 30 set), WM_KEYUP
     winctl menukey           post WM_CONTEXTMENU as the keyboard sends it (lParam -1)
     winctl popup SECONDS     wait for a shown popup menu; print its left and top
     winctl window            print the window: left top width height style exstyle topmost
     winctl screen            print the primary display's width and height
     winctl move X Y          move the mouse cursor to screen position X, Y
     winctl message TITLE SECONDS
                              wait for a message box captioned TITLE, print its text, press OK
     winctl dialog SECONDS    wait until the setup dialog exists
     winctl controls          print the setup dialog: caption, then per control
                              "id<TAB>class<TAB>enabled<TAB>checked<TAB>text"; drop-down
                              lists give the selected line as `checked` and their lines as text,
                              separated by "|"
     winctl click ID          click a control of the setup dialog (BM_CLICK)
     winctl dialogclose       the setup dialog's close box (WM_SYSCOMMAND SC_CLOSE)
     winctl select ID TEXT    choose the line TEXT of a drop-down list, as a user would
   Exit code 0 on success, 1 when the window is not there. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND demo_window(void) { return FindWindowA("Vrinx32Class", NULL); }

/* The setup dialog is the dialog with the VRR check box 1030; its caption is the
   program title, which message boxes share. */
static HWND setup_dialog(void) {
  HWND w = NULL;
  while ((w = FindWindowExA(NULL, w, "#32770", NULL)) != NULL)
    if (GetDlgItem(w, 1030)) return w;
  return NULL;
}

static BOOL CALLBACK print_control(HWND child, LPARAM unused) {
  char text[4096], cls[32];
  (void)unused;
  GetClassNameA(child, cls, sizeof cls);
  int checked = (int)SendMessageA(child, BM_GETCHECK, 0, 0);
  text[0] = 0;
  if (lstrcmpiA(cls, "ComboBox") == 0) {
    int count = (int)SendMessageA(child, CB_GETCOUNT, 0, 0), used = 0;
    checked = (int)SendMessageA(child, CB_GETCURSEL, 0, 0);
    /* Wide: Wine hands list texts to another process as UTF-16 whatever was asked. */
    for (int i = 0; i < count && used < (int)sizeof text - 64; ++i) {
      WCHAR line[64];
      if (i) text[used++] = '|';
      if (SendMessageW(child, CB_GETLBTEXTLEN, (WPARAM)i, 0) >= 64) continue;
      int n = (int)SendMessageW(child, CB_GETLBTEXT, (WPARAM)i, (LPARAM)line);
      if (n > 0) used += WideCharToMultiByte(CP_ACP, 0, line, n, text + used, 63, NULL, NULL);
    }
    text[used] = 0;
  } else {
    GetWindowTextA(child, text, sizeof text);
  }
  printf("%d\t%s\t%d\t%d\t%s\n", GetDlgCtrlID(child), cls, IsWindowEnabled(child) ? 1 : 0, checked, text);
  return TRUE;
}

static BOOL CALLBACK print_static_text(HWND child, LPARAM unused) {
  char text[1024], cls[32];
  (void)unused;
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) printf("%s\n", text);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (strcmp(argv[1], "wait") == 0 && argc == 3) {
    for (int i = 0; i < atoi(argv[2]) * 10; ++i) {
      if (demo_window()) return 0;
      Sleep(100);
    }
    return 1;
  }
  if (strcmp(argv[1], "message") == 0 && argc == 4) {
    for (int i = 0; i < atoi(argv[3]) * 10; ++i) {
      HWND box = FindWindowA("#32770", argv[2]);
      if (box && box == setup_dialog()) box = FindWindowExA(NULL, box, "#32770", argv[2]);
      if (box) {
        EnumChildWindows(box, print_static_text, 0);
        fflush(stdout);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return 0;
      }
      Sleep(100);
    }
    return 1;
  }
  if (strcmp(argv[1], "popup") == 0 && argc == 3) {
    for (int i = 0; i < atoi(argv[2]) * 10; ++i) {
      HWND menu = FindWindowA("#32768", NULL);
      RECT r;
      if (menu && IsWindowVisible(menu) && GetWindowRect(menu, &r)) {
        printf("%ld %ld\n", r.left, r.top);
        return 0;
      }
      Sleep(100);
    }
    return 1;
  }
  if (strcmp(argv[1], "dialog") == 0 && argc == 3) {
    for (int i = 0; i < atoi(argv[2]) * 10; ++i) {
      if (setup_dialog()) return 0;
      Sleep(100);
    }
    return 1;
  }
  if (strcmp(argv[1], "screen") == 0) {
    printf("%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
  }
  if (strcmp(argv[1], "move") == 0 && argc == 4) return SetCursorPos(atoi(argv[2]), atoi(argv[3])) ? 0 : 1;
  if (strcmp(argv[1], "controls") == 0 || strcmp(argv[1], "click") == 0 || strcmp(argv[1], "select") == 0 ||
      strcmp(argv[1], "dialogclose") == 0) {
    HWND dialog = setup_dialog();
    if (!dialog) return 1;
    if (strcmp(argv[1], "dialogclose") == 0) return PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
    if (strcmp(argv[1], "controls") == 0) {
      char caption[256];
      GetWindowTextA(dialog, caption, sizeof caption);
      printf("%s\n", caption);
      EnumChildWindows(dialog, print_control, 0);
      return 0;
    }
    HWND control = argc >= 3 ? GetDlgItem(dialog, atoi(argv[2])) : NULL;
    if (!control) return 1;
    if (strcmp(argv[1], "click") == 0 && argc == 3) return PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
    if (argc == 4) {
      LRESULT line = SendMessageA(control, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)argv[3]);
      if (line < 0) return 1;
      SendMessageA(control, CB_SETCURSEL, (WPARAM)line, 0);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(atoi(argv[2]), CBN_SELCHANGE), (LPARAM)control);
      return 0;
    }
    return 2;
  }
  HWND w = demo_window();
  if (!w) return 1;
  if (strcmp(argv[1], "window") == 0) {
    RECT r;
    GetWindowRect(w, &r);
    LONG style = GetWindowLongA(w, GWL_STYLE), ex = GetWindowLongA(w, GWL_EXSTYLE);
    printf("%ld %ld %ld %ld 0x%08lx 0x%08lx %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top, style,
           ex, (ex & WS_EX_TOPMOST) ? 1 : 0);
    return 0;
  }
  if (strcmp(argv[1], "menukey") == 0) return PostMessageA(w, WM_CONTEXTMENU, (WPARAM)w, -1) ? 0 : 1;
  if (strcmp(argv[1], "hold") == 0 && argc == 4) {
    WPARAM vk = (WPARAM)strtol(argv[2], NULL, 0);
    PostMessageA(w, WM_KEYDOWN, vk, 1);
    for (int i = 0; i < atoi(argv[3]); ++i) PostMessageA(w, WM_KEYDOWN, vk, 0x40000001);
    PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
    return 0;
  }
  if (strcmp(argv[1], "rect") == 0) {
    RECT r;
    POINT origin = {0, 0};
    GetClientRect(w, &r);
    ClientToScreen(w, &origin);
    printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right, r.bottom);
    return 0;
  }
  if (strcmp(argv[1], "close") == 0) return PostMessageA(w, WM_CLOSE, 0, 0) ? 0 : 1;
  if (strcmp(argv[1], "size") == 0 && argc == 4) {
    RECT r = {0, 0, atoi(argv[2]), atoi(argv[3])};
    AdjustWindowRect(&r, (DWORD)GetWindowLongA(w, GWL_STYLE), FALSE);
    return SetWindowPos(w, NULL, 0, 0, r.right - r.left, r.bottom - r.top,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
  }
  if (strcmp(argv[1], "key") == 0 && argc == 3) {
    WPARAM vk = (WPARAM)strtol(argv[2], NULL, 0);
    PostMessageA(w, WM_KEYDOWN, vk, 1);
    PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
    return 0;
  }
  return 2;
}
