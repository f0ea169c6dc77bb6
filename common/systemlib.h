// System functions that only the choosers need, loaded on first use: the
// dialog and shell libraries cost every window of this program about a
// tenth of its start under Wine, and most runs never open a chooser.
#pragma once
#include <windows.h>

#include <string>

#include "common/errors.h"
#include "common/text.h"

namespace kivu {

// The function `name` of the system library `dll` (taken from the system
// folder only, never from beside the program); raises when it is missing.
template <class Fn>
Fn SystemFunction(const char* dll, const char* name) {
    const std::wstring library = Widen(dll);
    HMODULE module = GetModuleHandleW(library.c_str());
    if (!module) module = LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    if (!proc) throw RuntimeError(FormatMessage1("Die Systemfunktion %s fehlt", name));
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

}  // namespace kivu
