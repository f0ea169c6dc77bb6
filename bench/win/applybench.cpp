// The rename's apply against a bare MoveFile loop over the same files, in the
// same run: count files are renamed once by each.
//   applybench [count]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/text.h"
#include "fileprops/apply.h"
#include "fileprops/winfileops.h"
#include "fileprops/winjournal.h"
#include "tests/win/support/winsupport.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string Name(const char* prefix, int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%05d.txt", prefix, i);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    testsupport::TempDir dir;
    for (int i = 0; i < count; ++i) dir.Write(Name("f", i));

    // The bare loop: f -> g.
    auto start = Clock::now();
    int bareFailed = 0;
    for (int i = 0; i < count; ++i)
        if (!MoveFileW(kivu::Widen(dir.path() + Name("f", i)).c_str(), kivu::Widen(dir.path() + Name("g", i)).c_str()))
            ++bareFailed;
    const double bareMs = Ms(Clock::now() - start);

    // The dialog's apply: g -> h, with the folder listed, the conflicts checked and the preview after.
    kivu::FileList list([](int n) { return std::to_string(n); });
    for (int i = count - 1; i >= 0; --i) list.AddPath(dir.path() + Name("g", i));
    kivu::ApplyInput input;
    input.preview.pattern = "h[Name(2,99)][Ext]";
    kivu::WinFileOps ops;
    kivu::WinJournal journal(dir.path() + "..\\applybench.journal");
    start = Clock::now();
    const bool ok = kivu::ApplyChanges(list, input, ops, &journal);
    const double applyMs = Ms(Clock::now() - start);
    journal.Remove();

    // The bare loop once more (h -> i), for the noise of a shared machine.
    start = Clock::now();
    for (int i = 0; i < count; ++i)
        if (!MoveFileW(kivu::Widen(dir.path() + Name("h", i)).c_str(), kivu::Widen(dir.path() + Name("i", i)).c_str()))
            ++bareFailed;
    const double bare2Ms = Ms(Clock::now() - start);
    const double bareMean = (bareMs + bare2Ms) / 2;

    std::printf("renames: %d\n", count);
    std::printf("bare MoveFile loop: %8.1f ms before, %8.1f ms after  (%d failed)\n", bareMs, bare2Ms, bareFailed);
    std::printf("apply of the dialog, journal included: %8.1f ms  (%s; ratio %.2f to the bare loops' mean)\n",
                applyMs, ok ? "all renamed" : list.ErrorLine().c_str(), applyMs / bareMean);
    return 0;
}
