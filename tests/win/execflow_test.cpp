// Mode 101: starting a program and waiting until it is ready, then from end
// to end as the handler asks for a command line to be run in a folder and
// waits for the start report.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/execprgrm.h"
#include "tests/win/support/starter.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

struct ExecRun {
    std::vector<std::string> labels;  // the command and folder lines, as first seen
    bool sawWindow = false;
    bool everOnScreen = false;
    bool reported = false;  // "KIVUProzessStart" set
    DWORD exitCode = 1234;
};

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lp) {
    char name[64];
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

// Runs "kivuutil 101 arguments" through the stand-in and watches the window
// until the process ends.
ExecRun RunExec(const std::string& arguments) {
    ExecRun run;
    standin::Handler handler(ExeDir() + "kivuutil.exe");
    if (!handler.Start("101" + arguments)) {
        ADD_FAILURE() << "cannot start kivuutil (error " << GetLastError() << ")";
        return run;
    }
    const DWORD start = GetTickCount();
    while (!handler.WaitExit(5, &run.exitCode)) {
        for (HWND w : FindTopWindows("TEXECForm", nullptr, handler.ProcessId())) {
            run.sawWindow = true;
            RECT r;
            GetWindowRect(w, &r);
            RECT screen{0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
            RECT overlap;
            if (IsWindowVisible(w) && IntersectRect(&overlap, &r, &screen)) run.everOnScreen = true;
            if (!run.labels.empty()) continue;
            std::vector<HWND> lines;
            EnumChildWindows(w, CollectStatic, reinterpret_cast<LPARAM>(&lines));
            if (lines.size() != 3) continue;
            // Top to bottom: the command, the folder, the state.
            std::sort(lines.begin(), lines.end(), [](HWND a, HWND b) {
                RECT ra, rb;
                GetWindowRect(a, &ra);
                GetWindowRect(b, &rb);
                return ra.top < rb.top;
            });
            for (HWND line : {lines[0], lines[1]}) run.labels.push_back(WindowText(line));
        }
        if (GetTickCount() - start > 30000) {
            ADD_FAILURE() << "kivuutil 101" << arguments << " did not end";
            break;
        }
    }
    run.reported = handler.WaitStart(0);
    return run;
}

std::string Quoted(const std::string& s) { return " \"" + s + "\""; }

// The one start the probe recorded in the file, waited for.
ProbeRun Recorded(const std::string& record) {
    EXPECT_TRUE(WaitUntil([&] {
        const auto runs = ReadProbeRecord(record);
        return runs.size() == 1 && !runs[0].folder.empty();
    })) << "the program did not run";
    const auto runs = ReadProbeRecord(record);
    return runs.empty() ? ProbeRun{} : runs[0];
}

std::string WindowProbe(const std::string& record) { return ExeDir() + "probe_window.exe " + record; }
std::string ConsoleProbe(const std::string& record) { return ExeDir() + "probe_console.exe " + record; }

void ExpectReportedOffScreen(const ExecRun& run) {
    EXPECT_TRUE(run.sawWindow);
    EXPECT_FALSE(run.everOnScreen) << "the window must stay outside the visible screen";
    EXPECT_TRUE(run.reported) << "the handler must always hear that the start is over";
    EXPECT_EQ(run.exitCode, 0u);
}

}  // namespace

TEST(ExecFlow, AWindowProgramStartsInTheGivenFolder) {
    TempDir work, out;
    const std::string record = out.path() + "window.txt";
    const std::string command = WindowProbe(record) + " one two";
    const ExecRun run = RunExec(Quoted(command) + Quoted(work.path()));
    ExpectReportedOffScreen(run);
    ASSERT_EQ(run.labels.size(), 2u);
    EXPECT_EQ(run.labels[0], command);
    EXPECT_EQ(run.labels[1], work.path());
    const ProbeRun run1 = Recorded(record);
    // The started program sees the folder as its current directory (without a trailing backslash).
    EXPECT_EQ(run1.folder + "\\", work.path());
    EXPECT_EQ(run1.args, "one two");
    EXPECT_EQ(run1.show, SW_SHOW);
}

TEST(ExecFlow, AConsoleProgramRunsInTheGivenFolder) {
    TempDir work, out;
    const std::string record = out.path() + "console.txt";
    const ExecRun run = RunExec(Quoted(ConsoleProbe(record)) + Quoted(work.path()));
    ExpectReportedOffScreen(run);
    EXPECT_EQ(Recorded(record).folder + "\\", work.path());
}

TEST(ExecFlow, WithoutAFolderTheProgramInheritsTheCurrentDirectory) {
    TempDir here, out;
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    // The stand-in starts kivuutil in this folder, so the program lands there too.
    ASSERT_TRUE(SetCurrentDirectoryA(here.path().c_str()));
    const std::string empty = out.path() + "empty.txt", missing = out.path() + "missing.txt";
    const ExecRun withEmpty = RunExec(Quoted(WindowProbe(empty)) + " \"\"");
    const ExecRun withNone = RunExec(Quoted(WindowProbe(missing)));
    SetCurrentDirectoryA(before);
    for (const auto& [run, record] : {std::pair{withEmpty, empty}, {withNone, missing}}) {
        SCOPED_TRACE(record);
        ExpectReportedOffScreen(run);
        EXPECT_EQ(Recorded(record).folder + "\\", here.path());
    }
}

TEST(ExecFlow, ACommandThatCannotStartIsAnErrorAndStillReported) {
    for (const std::string& arguments : {Quoted("Z:\\no\\such\\program.exe"), std::string()}) {
        SCOPED_TRACE(arguments);
        const ExecRun run = RunExec(arguments);
        ExpectReportedOffScreen(run);
    }
}

TEST(StartAndWaitReady, ReadyOnlyForAProgramThatWaitsForInput) {
    using kivu::StartResult;
    TempDir out;
    // Wine reports a window program ready as soon as it runs; Windows once it waits for input.
    EXPECT_EQ(kivu::StartAndWaitReady(WindowProbe(out.path() + "w.txt"), "", 10000),
              StartResult::Ready);
    // A console program has no message loop: the wait fails at once.
    EXPECT_EQ(kivu::StartAndWaitReady(ConsoleProbe(out.path() + "c.txt"), out.path(), 10000),
              StartResult::NotReady);
    EXPECT_EQ(kivu::StartAndWaitReady("Z:\\no\\such\\program.exe", "", 10000), StartResult::Failed);
    EXPECT_EQ(kivu::StartAndWaitReady("", "", 10000), StartResult::Failed);
    EXPECT_EQ(kivu::StartAndWaitReady(ConsoleProbe("x"), "Z:\\no\\such\\folder", 10000),
              StartResult::Failed);
    // Both programs ran, the console one in the given folder.
    EXPECT_EQ(Recorded(out.path() + "c.txt").folder + "\\", out.path());
    Recorded(out.path() + "w.txt");
}
