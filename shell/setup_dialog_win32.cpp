#include "shell/setup_dialog_win32.h"

#include <shellapi.h>

#include "base/test_log_win32.h"
#include "gpu/presenter_win32.h"
#include "gpu/vrr_probe_win32.h"
#include "shell/config.h"
#include "shell/display_modes_win32.h"
#include "shell/shell_win32.h"

#define CRLF "\r\n"
const char kSetupInfoText[] =
    "Varrowby 97 invitation / kOHR (1997)" CRLF CRLF "code & design: the Vrinx contributors" CRLF
    "gfx: the Vrinx contributors" CRLF "music: the Vrinx contributors" CRLF CRLF
    "win32 port: the Vrinx contributors" CRLF CRLF
    "Right-click the demo for display, sound and playback options." CRLF
    "F2: show/hide FPS, frame time and CRT information." CRLF
    "/saveconfig: create a default INI file if missing." CRLF
    "/nogui: run immediately without the setup dialog." CRLF
    "/record FPS WIDTH HEIGHT: record AVI (e.g. /record 70 640 480).";
#undef CRLF

namespace {

enum ControlId {
  kRunDemo = 1,
  kCancel = 2,
  kResolution = 1002,
  kStretch = 1003,
  kInfo = 1004,
  kExit = 1006,
  kFullscreenNote = 1007,
  kLoop = 1008,
  kMusic = 1009,
  kFullscreen = 1010,
  kWeb = 1011,
  kFullscreenGroup = 1013,
  kDepth = 1014,
  kRate = 1015,
  kScanlines = 1020,
  kDistortion = 1021,
  kAspect = 1022,
  kGlow = 1023,
  kMask = 1024,
  kPersistence = 1025,
  kChromatic = 1026,
  kBleeding = 1027,
  kBloom = 1028,
  kVSync = 1029,
  kVrr = 1030,
  kVrrText = 1031,
};

constexpr char kFullscreenNoteText[] =
    "This demo renders internally at VGA resolutions. Higher output resolutions provide additional "
    "detail for the CRT effects.";

// The check boxes that mirror one setting each, shown on opening and stored on "Run demo".
struct CheckBinding {
  int id;
  uint32_t CrtSettings::*field;
};
constexpr CheckBinding kChecks[] = {
    {kFullscreen, &CrtSettings::fullscreenRequested},
    {kMusic, &CrtSettings::Music},
    {kLoop, &CrtSettings::loopDemo},
    {kStretch, &CrtSettings::StretchToFit},
    {kScanlines, &CrtSettings::Scanlines},
    {kDistortion, &CrtSettings::Distortion},
    {kGlow, &CrtSettings::Glow},
    {kMask, &CrtSettings::RGBMask},
    {kPersistence, &CrtSettings::Persistence},
    {kChromatic, &CrtSettings::ChromaticSeparation},
    {kBleeding, &CrtSettings::ColorBleeding},
    {kBloom, &CrtSettings::Bloom},
    {kAspect, &CrtSettings::AspectRatio4x3},
};

constexpr int kFullscreenControls[] = {kResolution, kDepth,          kRate,
                                       kStretch,    kFullscreenNote, kFullscreenGroup};

const SetupDialogParams* g_params;
HICON g_smallIcon;  // the dialog's small icon, loaded at its start

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void check(HWND dialog, int id, uint32_t on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

LRESULT send(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

const char* vrr_text(int answer) {
  if (answer == 0) return "VRR unavailable on this display or Windows/driver. VSync remains available.";
  if (answer == 2) return "Monitor VRR support could not be verified.";
  return "Monitor supports VRR. Enable it in the monitor and driver settings.";
}

void run_display_probe(HWND dialog) {
  CrtSettings& s = g_settings;
  int answer = ProbeWindowVrr(dialog);
  s.vrrProbeResult = uint32_t(answer);
  s.vrrAvailable = answer != 0;
  if (answer == 0) s.VRR = 0;
  EnableWindow(GetDlgItem(dialog, kVrr), s.vrrAvailable != 0);
  check(dialog, kVrr, s.VRR);
  SetDlgItemTextA(dialog, kVrrText, vrr_text(answer));
}

// Fills a drop-down list with the choices and selects the one showing `wanted`.
// Returns the selected line, -1 when the list is empty.
int fill_list(HWND dialog, int id, const DisplayModeChoice* choices, uint32_t count, const char* format,
              uint32_t wanted) {
  send(dialog, id, CB_RESETCONTENT);
  for (uint32_t i = 0; i < count; i++) {
    const DisplayMode& m = g_displayModes.entries[choices[i].entry];
    char text[32];
    if (id == kResolution)
      wsprintfA(text, format, int(m.width), int(m.height));
    else
      wsprintfA(text, format, int(choices[i].value));
    LRESULT line = send(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (line >= 0) send(dialog, id, CB_SETITEMDATA, WPARAM(line), LPARAM(choices[i].value));
  }
  int line = display_modes_pick(choices, count, wanted);
  send(dialog, id, CB_SETCURSEL, WPARAM(line));
  return line;
}

DisplayModeChoice g_choices[kDisplayModeCapacity];

// The item data of the selected line, or `otherwise` with nothing selected.
uint32_t selected_data(HWND dialog, int id, uint32_t otherwise) {
  LRESULT line = send(dialog, id, CB_GETCURSEL);
  return line < 0 ? otherwise : uint32_t(send(dialog, id, CB_GETITEMDATA, WPARAM(line)));
}

void fill_rates(HWND dialog) {
  DisplayMode& m = g_settings.selectedMode;
  m.bitsPerPixel = selected_data(dialog, kDepth, m.bitsPerPixel);
  uint32_t n = display_modes_rate_choices(&g_displayModes, m.width, m.height, m.bitsPerPixel, g_choices);
  fill_list(dialog, kRate, g_choices, n, "%d Hz", m.refreshRate);
}

void fill_depths(HWND dialog) {
  DisplayMode& m = g_settings.selectedMode;
  uint32_t size = selected_data(dialog, kResolution, display_modes_size_key(m.width, m.height));
  m.width = size >> 16;
  m.height = size & 0xFFFF;
  uint32_t n = display_modes_depth_choices(&g_displayModes, m.width, m.height, g_choices);
  fill_list(dialog, kDepth, g_choices, n, "%d bit", m.bitsPerPixel);
  fill_rates(dialog);
}

void fill_resolutions(HWND dialog) {
  const DisplayMode& m = g_settings.selectedMode;
  uint32_t n = display_modes_resolution_choices(&g_displayModes, g_choices);
  fill_list(dialog, kResolution, g_choices, n, "%dx%d", display_modes_size_key(m.width, m.height));
}

void enable_fullscreen_controls(HWND dialog) {
  bool on = checked(dialog, kFullscreen);
  for (int id : kFullscreenControls) EnableWindow(GetDlgItem(dialog, id), on);
}

// A dialog moved to another monitor gets that monitor's modes and its own VRR answer.
void follow_monitor(HWND dialog) {
  HMONITOR monitor = MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST);
  if (monitor == g_displayModesMonitor) return;
  MONITORINFOEXA info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info)) return;
  g_displayModesMonitor = monitor;
  g_displayModesMonitorInfo = info;
  display_modes_enumerate();
  fill_resolutions(dialog);
  fill_depths(dialog);
  run_display_probe(dialog);
}

void init_dialog(HWND dialog) {
  const SetupDialogParams& p = *g_params;
  SetWindowTextA(dialog, p.title ? p.title : "Demo setup");
  g_smallIcon =
      static_cast<HICON>(LoadImageA(p.instance, MAKEINTRESOURCEA(p.iconResource), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (g_smallIcon) SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_smallIcon));
  SetDlgItemTextA(dialog, kFullscreenNote, kFullscreenNoteText);
  EnableWindow(GetDlgItem(dialog, kInfo), p.infoText && *p.infoText);
  EnableWindow(GetDlgItem(dialog, kWeb), p.webAddress && *p.webAddress);
  check(dialog, kVSync, g_settings.VSync);
  run_display_probe(dialog);
  for (const CheckBinding& c : kChecks) check(dialog, c.id, g_settings.*c.field);
  fill_resolutions(dialog);
  fill_depths(dialog);
  enable_fullscreen_controls(dialog);
  follow_monitor(dialog);
}

void accept(HWND dialog) {
  follow_monitor(dialog);
  if (!PresenterCheckGpu(dialog)) return;
  CrtSettings& s = g_settings;
  s.VSync = checked(dialog, kVSync);
  s.VRR = checked(dialog, kVrr) && s.vrrAvailable;
  for (const CheckBinding& c : kChecks) s.*c.field = checked(dialog, c.id);
  s.selectedMode.refreshRate = selected_data(dialog, kRate, 0);
  test_log("setup: run demo %ux%u %u bit %u Hz, fullscreen %u, music %u", s.selectedMode.width,
           s.selectedMode.height, s.selectedMode.bitsPerPixel, s.selectedMode.refreshRate,
           s.fullscreenRequested, s.Music);
  EndDialog(dialog, kSetupRunDemo);
}

INT_PTR CALLBACK setup_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      init_dialog(dialog);
      return TRUE;
    case WM_DISPLAYCHANGE:
    case WM_EXITSIZEMOVE:
      g_settings.VRR = checked(dialog, kVrr);
      follow_monitor(dialog);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, kSetupLeft);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kRunDemo:
          accept(dialog);
          return TRUE;
        case kExit:
        case kCancel:
          EndDialog(dialog, kSetupLeft);
          return TRUE;
        case kInfo:
          MessageBoxA(dialog, g_params->infoText,
                      g_params->infoCaption ? g_params->infoCaption : g_params->title,
                      MB_OK | MB_ICONINFORMATION);
          return TRUE;
        case kWeb:
          ShellExecuteA(dialog, "open", g_params->webAddress, nullptr, nullptr, SW_SHOWNORMAL);
          return TRUE;
        case kFullscreen:
          enable_fullscreen_controls(dialog);
          return TRUE;
        case kResolution:
          if (HIWORD(wParam) == CBN_SELCHANGE) fill_depths(dialog);
          return TRUE;
        case kDepth:
          if (HIWORD(wParam) == CBN_SELCHANGE) fill_rates(dialog);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int ShowSetupDialog(const SetupDialogParams& params) {
  if (!PrepareDisplayModes(params.minWidth, params.minHeight)) return -1;
  g_params = &params;
  INT_PTR result =
      DialogBoxParamA(params.instance, MAKEINTRESOURCEA(105), params.owner, setup_dialog_proc, 0);
  g_params = nullptr;
  // The dialog doesn't own the icon it was given: it goes with the dialog.
  if (g_smallIcon) DestroyIcon(g_smallIcon);
  g_smallIcon = nullptr;
  test_log("setup: dialog ended %d", int(result));
  return result == kSetupRunDemo ? kSetupRunDemo : result == kSetupLeft ? kSetupLeft : -1;
}
