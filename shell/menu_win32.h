// The context menu and the single keys on the demo window.
#pragma once
#include <windows.h>

#include <cstdint>

// Check marks, grayed items and the performance item's text, from the current state.
void menu_refresh(HWND window);
// Runs a menu command, then refreshes the menu and invalidates the window.
void menu_run_command(HWND window, uint32_t id);
// WM_CONTEXTMENU: at the cursor, or at the window's top-left + (30, 50) from the keyboard.
void menu_open(HWND window, LPARAM lParam);
// WM_KEYDOWN (auto-repeats already filtered out).
void menu_key(HWND window, WPARAM virtualKey);
