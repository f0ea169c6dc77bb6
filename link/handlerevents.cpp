#include "link/handlerevents.h"

#include <windows.h>

#include "common/handles.h"
#include "common/text.h"
#include "link/handlerlink.h"

namespace kivu {

std::vector<std::string> ProgramArguments() { return SplitCommandLine(Narrow(GetCommandLineW())); }

bool TakeArrivedPath(unsigned msg, std::uintptr_t wp, std::intptr_t lp, std::string& path) {
    if (msg == kMsgAddFile) {
        const auto atom = static_cast<ATOM>(LOWORD(wp));
        wchar_t name[kAtomBufferSize];
        const UINT n = GlobalGetAtomNameW(atom, name, static_cast<int>(kAtomBufferSize));
        if (n == 0) return false;
        GlobalDeleteAtom(atom);
        path = Narrow(std::wstring_view(name, n));
        return true;
    }
    if (msg == WM_COPYDATA && lp) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (data->dwData != kCopyDataPath || !data->lpData || data->cbData == 0 || data->cbData % sizeof(wchar_t))
            return false;
        path = Narrow(std::wstring_view(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t)));
        return true;
    }
    return false;
}

void SignalHandlerEvent(const char* name) {
    if (const UniqueHandle event{OpenEventW(EVENT_MODIFY_STATE, FALSE, Widen(name).c_str())}) SetEvent(event.get());
}

}  // namespace kivu
