// The names the extension is registered under: the handler library writes
// them, and the host tools and tests look for them.
#pragma once
#include <windows.h>

namespace kivu {

constexpr const char* kClassIdText = "{2D1D33E0-8A8F-11D1-9626-444553540000}";
constexpr CLSID kClassId = {0x2D1D33E0, 0x8A8F, 0x11D1, {0x96, 0x26, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr const char* kApprovedKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KIVUMENU";

}  // namespace kivu
