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
     winctl box SECONDS       wait for any message box, print its caption and then its text, press OK
     winctl dialog SECONDS    wait until the setup dialog exists
     winctl controls          print the setup dialog: caption, then per control
                              "id<TAB>class<TAB>enabled<TAB>checked<TAB>text"; drop-down
                              lists give the selected line as `checked` and their lines as text,
                              separated by "|"
     winctl click ID          click a control of the setup dialog (BM_CLICK)
     winctl dialogclose       the setup dialog's close box (WM_SYSCOMMAND SC_CLOSE)
     winctl select ID TEXT    choose the line TEXT of a drop-down list, as a user would
     winctl syscommand SC LP  send WM_SYSCOMMAND with the command SC and lParam LP, as the
                              system does for the screen saver and monitor power
   Exit code 0 on success, 1 when the window is not there. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static HWND demo_window(const char* unused) {
  (void)unused;
  return FindWindowA("Vrinx32Class", NULL);
}

/* The setup dialog is the dialog with the VRR check box 1030; its caption is the
   program title, which message boxes share. */
static HWND setup_dialog(const char* unused) {
  HWND w = NULL;
  (void)unused;
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

/* A message box captioned TITLE (not the setup dialog, which has that caption too). */
static HWND message_box(const char* title) {
  HWND box = FindWindowA("#32770", title);
  if (box && box == setup_dialog(NULL)) box = FindWindowExA(NULL, box, "#32770", title);
  return box;
}

static HWND any_message_box(const char* unused) {
  HWND box = FindWindowA("#32770", NULL);
  (void)unused;
  if (box && box == setup_dialog(NULL)) box = FindWindowExA(NULL, box, "#32770", NULL);
  return box;
}

static HWND shown_menu(const char* unused) {
  HWND menu = FindWindowA("#32768", NULL);
  (void)unused;
  return menu && IsWindowVisible(menu) ? menu : NULL;
}

/* Asks find(arg) every 100 ms for SECONDS until it gives a window. */
static HWND wait_for(HWND (*find)(const char*), const char* arg, const char* seconds) {
  for (int i = 0; i < atoi(seconds) * 10; ++i) {
    HWND w = find(arg);
    if (w) return w;
    Sleep(100);
  }
  return NULL;
}

int main(int argc, char** argv) {
#define COMMAND(NAME, ARGS) (strcmp(argv[1], NAME) == 0 && argc == (ARGS) + 2)
  if (argc < 2) return 2;
  if (COMMAND("wait", 1)) return wait_for(demo_window, NULL, argv[2]) ? 0 : 1;
  if (COMMAND("dialog", 1)) return wait_for(setup_dialog, NULL, argv[2]) ? 0 : 1;
  if (COMMAND("message", 2) || COMMAND("box", 1)) {
    HWND box = argv[1][0] == 'm' ? wait_for(message_box, argv[2], argv[3])
                                 : wait_for(any_message_box, NULL, argv[2]);
    if (!box) return 1;
    if (argv[1][0] == 'b') {
      char caption[256];
      GetWindowTextA(box, caption, sizeof caption);
      printf("%s\n", caption);
    }
    EnumChildWindows(box, print_static_text, 0);
    fflush(stdout);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (COMMAND("popup", 1)) {
    HWND menu = wait_for(shown_menu, NULL, argv[2]);
    RECT r;
    if (!menu || !GetWindowRect(menu, &r)) return 1;
    printf("%ld %ld\n", r.left, r.top);
    return 0;
  }
  if (COMMAND("screen", 0)) {
    printf("%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
  }
  if (COMMAND("move", 2)) return SetCursorPos(atoi(argv[2]), atoi(argv[3])) ? 0 : 1;
  if (COMMAND("controls", 0) || COMMAND("click", 1) || COMMAND("select", 2) || COMMAND("dialogclose", 0)) {
    HWND dialog = setup_dialog(NULL);
    if (!dialog) return 1;
    if (COMMAND("dialogclose", 0)) return PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
    if (COMMAND("controls", 0)) {
      char caption[256];
      GetWindowTextA(dialog, caption, sizeof caption);
      printf("%s\n", caption);
      EnumChildWindows(dialog, print_control, 0);
      return 0;
    }
    HWND control = GetDlgItem(dialog, atoi(argv[2]));
    if (!control) return 1;
    if (COMMAND("click", 1)) return PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
    LRESULT line = SendMessageA(control, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)argv[3]);
    if (line < 0) return 1;
    SendMessageA(control, CB_SETCURSEL, (WPARAM)line, 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(atoi(argv[2]), CBN_SELCHANGE), (LPARAM)control);
    return 0;
  }
  HWND w = demo_window(NULL);
  if (!w) return 1;
  if (COMMAND("window", 0)) {
    RECT r;
    GetWindowRect(w, &r);
    LONG style = GetWindowLongA(w, GWL_STYLE), ex = GetWindowLongA(w, GWL_EXSTYLE);
    printf("%ld %ld %ld %ld 0x%08lx 0x%08lx %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top, style,
           ex, (ex & WS_EX_TOPMOST) ? 1 : 0);
    return 0;
  }
  if (COMMAND("rect", 0)) {
    RECT r;
    POINT origin = {0, 0};
    GetClientRect(w, &r);
    ClientToScreen(w, &origin);
    printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right, r.bottom);
    return 0;
  }
  if (COMMAND("close", 0)) return PostMessageA(w, WM_CLOSE, 0, 0) ? 0 : 1;
  if (COMMAND("syscommand", 2)) {
    DWORD_PTR result;
    return SendMessageTimeoutA(w, WM_SYSCOMMAND, (WPARAM)strtol(argv[2], NULL, 0),
                               (LPARAM)strtol(argv[3], NULL, 0), SMTO_ABORTIFHUNG, 10000, &result)
               ? 0
               : 1;
  }
  if (COMMAND("menukey", 0)) return PostMessageA(w, WM_CONTEXTMENU, (WPARAM)w, -1) ? 0 : 1;
  if (COMMAND("menuclick", 0))
    return PostMessageA(w, WM_CONTEXTMENU, (WPARAM)w, MAKELPARAM(100, 100)) ? 0 : 1;
  if (COMMAND("size", 2)) {
    RECT r = {0, 0, atoi(argv[2]), atoi(argv[3])};
    AdjustWindowRect(&r, (DWORD)GetWindowLongA(w, GWL_STYLE), FALSE);
    return SetWindowPos(w, NULL, 0, 0, r.right - r.left, r.bottom - r.top,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
  }
  if (COMMAND("key", 1) || COMMAND("hold", 2)) {
    WPARAM vk = (WPARAM)strtol(argv[2], NULL, 0);
    PostMessageA(w, WM_KEYDOWN, vk, 1);
    for (int i = 0; argc == 4 && i < atoi(argv[3]); ++i) PostMessageA(w, WM_KEYDOWN, vk, 0x40000001);
    PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
    return 0;
  }
  return 2;
}
