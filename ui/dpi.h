// Display scale. Forms are designed in pixels at 96 DPI; the toolkit turns
// those into the pixels of the window's DPI. The per-window functions are
// looked up at run time: Windows 7 has none of them.
#pragma once
#include <windows.h>

namespace ui {

constexpr int kDesignDpi = 96;

// Designed pixels at a DPI, and back.
int ScaleToDpi(int designed, int dpi);
int ScaleFromDpi(int pixels, int dpi);
// The DPI the window is drawn at; the system's where windows have no DPI of their own.
int WindowDpi(HWND hwnd);
// The system's message font at a DPI.
LOGFONTW MessageFont(int dpi);
// The window size for a client size at a DPI.
SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

}  // namespace ui
