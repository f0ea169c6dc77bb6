// The program runner and its worker thread, starting the probe program.
#include "starter/execfile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/win/support/starter.h"
#include "tests/win/support/winsupport.h"

using namespace testsupport;
using kivu::TExecFile;
using kivu::TExecThread;
using kivu::TWaitStyle;
using kivu::TWindowStyle;

namespace {

bool ProcessRunning(DWORD pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return false;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

class Runner : public ::testing::Test {
protected:
    // The probe, recording into this test's file, with further arguments.
    void Probe(const std::string& arguments) {
        runner.CommandLine = ProbeExe();
        runner.Parameters = record + (arguments.empty() ? "" : " " + arguments);
    }
    std::vector<ProbeRun> Runs() const { return ReadProbeRecord(record); }

    TempDir dir;
    std::string record = dir.path() + "record.txt";
    ProbeRelease release;
    TExecFile runner;
};

}  // namespace

TEST(RunnerMappings, AreTheSystemsNumbers) {
    using kivu::ShowCommandOf;
    EXPECT_EQ(ShowCommandOf(TWindowStyle::wsNorm), SW_SHOWNORMAL);
    EXPECT_EQ(ShowCommandOf(TWindowStyle::wsMinimize), SW_SHOWMINIMIZED);
    EXPECT_EQ(ShowCommandOf(TWindowStyle::wsMaximize), SW_SHOWMAXIMIZED);
    EXPECT_EQ(ShowCommandOf(TWindowStyle::wsHide), SW_HIDE);
    EXPECT_EQ(ShowCommandOf(TWindowStyle::wsMinNoActivate), SW_SHOWMINNOACTIVE);
    EXPECT_EQ(ShowCommandOf(TWindowStyle::wsShowNoActivate), SW_SHOWNA);
    using kivu::PriorityFlagOf;
    using kivu::TPriorityClass;
    EXPECT_EQ(PriorityFlagOf(TPriorityClass::pcNormal), static_cast<uint32_t>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(PriorityFlagOf(TPriorityClass::pcIdle), static_cast<uint32_t>(IDLE_PRIORITY_CLASS));
    EXPECT_EQ(PriorityFlagOf(TPriorityClass::pcHigh), static_cast<uint32_t>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(PriorityFlagOf(TPriorityClass::pcRealTime), static_cast<uint32_t>(REALTIME_PRIORITY_CLASS));
}

TEST_F(Runner, ProgramThatDoesNotExistFailsWithTheSystemsCode) {
    int failures = 0;
    runner.OnFail = [&](TExecFile& sender) {
        ++failures;
        EXPECT_EQ(&sender, &runner);
    };
    runner.CommandLine = dir.path() + "missing\\nothing.exe";
    runner.Wait = true;
    EXPECT_FALSE(runner.Execute());
    EXPECT_EQ(failures, 1);

    // The code the system gives for the same command line.
    std::string command = runner.CommandLine + " ";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_FALSE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(runner.ErrorCode(), GetLastError());
    EXPECT_NE(runner.ErrorCode(), 0u);
    EXPECT_FALSE(runner.Running());
}

TEST_F(Runner, WithoutWaitReturnsRightAfterTheStart) {
    Probe("--until " + release.Name());
    ASSERT_TRUE(runner.Execute());
    EXPECT_FALSE(runner.Running());
    // The probe still runs: it ends only when released.
    EXPECT_TRUE(ProcessRunning(runner.ProcessId()));
    ASSERT_TRUE(WaitUntil([&] { return Runs().size() == 1; }));
    EXPECT_FALSE(Runs()[0].ended);
    release.Set();
    ASSERT_TRUE(WaitUntil([&] { return !Runs().empty() && Runs()[0].ended; }));
}

TEST_F(Runner, CommandLineIsCutAfter255CharactersAndCarriesTheWindowStyle) {
    runner.WindowStyle = TWindowStyle::wsMinimize;
    runner.Wait = true;
    runner.WaitStyle = TWaitStyle::wSuspend;
    Probe(std::string(300, 'x'));
    ASSERT_TRUE(runner.Execute());
    const auto runs = Runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs[0].ended);
    EXPECT_EQ(runs[0].show, SW_SHOWMINIMIZED);
    const size_t kept = 255 - ProbeExe().size() - 1 - record.size() - 1;
    EXPECT_EQ(runs[0].args, std::string(kept, 'x'));

    // Without parameters the blank is still there; the probe ignores it.
    runner.WindowStyle = TWindowStyle::wsHide;
    runner.Parameters = record;
    ASSERT_TRUE(runner.Execute());
    ASSERT_EQ(Runs().size(), 2u);
    EXPECT_EQ(Runs()[1].show, SW_HIDE);
    EXPECT_EQ(Runs()[1].args, "");
}

// A document type of our own whose program is the probe (this prefix
// registers no associations of its own).
class Association {
public:
    Association() {
        const std::string command = "\"" + ProbeExe() + "\" \"%1\"";
        RegSetKeyValueA(HKEY_CLASSES_ROOT, ".kivuprobe", nullptr, REG_SZ, "KivuProbeDocument", 18);
        RegSetKeyValueA(HKEY_CLASSES_ROOT, "KivuProbeDocument\\shell\\open\\command", nullptr, REG_SZ,
                        command.c_str(), static_cast<DWORD>(command.size() + 1));
    }
    ~Association() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".kivuprobe");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "KivuProbeDocument");
    }
};

TEST_F(Runner, AssociateOpensADocumentWithItsProgram) {
    Association association;
    // The probe records into its first argument: here the document itself.
    const std::string document = dir.Write("notes.kivuprobe", "hello\n");
    runner.CommandLine = document;
    runner.Parameters = "-p";
    runner.Wait = true;
    runner.WaitStyle = TWaitStyle::wSuspend;
    int failures = 0;
    runner.OnFail = [&](TExecFile&) { ++failures; };
    EXPECT_FALSE(runner.Execute());  // a document is no program
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(ReadProbeRecord(document).empty());

    runner.Associate = true;
    ASSERT_TRUE(runner.Execute());
    EXPECT_EQ(failures, 1);
    const auto runs = ReadProbeRecord(document);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].args, "-p");
    EXPECT_TRUE(runs[0].ended);
}

TEST_F(Runner, WorkerBlocksUntilTheProgramEndedThenReportsOnceOnThisThread) {
    Probe("--until " + release.Name());
    runner.Wait = true;
    runner.WaitStyle = TWaitStyle::wSuspend;
    int reports = 0;
    DWORD reportThread = 0;
    bool endedBeforeReport = false;
    TExecThread worker(runner, [&] {
        ++reports;
        reportThread = GetCurrentThreadId();
        const auto runs = Runs();
        endedBeforeReport = runs.size() == 1 && runs[0].ended;
    });
    ASSERT_TRUE(WaitUntil([&] { return runner.Running() && Runs().size() == 1; }));
    PumpMessages();
    EXPECT_EQ(reports, 0);
    release.Set();
    ASSERT_TRUE(WaitUntil([&] { return reports > 0; }));
    EXPECT_EQ(reportThread, GetCurrentThreadId());
    EXPECT_TRUE(endedBeforeReport);
    EXPECT_FALSE(runner.Running());
    // Nothing more comes: the worker was joined before it reported, so
    // anything else it posted is in the queue already.
    PumpMessages();
    EXPECT_EQ(reports, 1);
}

TEST_F(Runner, WorkerReportsAlsoWhenTheStartFailed) {
    runner.CommandLine = dir.path() + "nothing.exe";
    runner.Wait = true;
    runner.WaitStyle = TWaitStyle::wSuspend;
    int reports = 0;
    TExecThread worker(runner, [&] { ++reports; });
    ASSERT_TRUE(WaitUntil([&] { return reports > 0; }));
    EXPECT_EQ(reports, 1);
    EXPECT_NE(runner.ErrorCode(), 0u);
}

TEST_F(Runner, WorkerThatGoesWhileWaitingLeavesTheProgramRunning) {
    Probe("--until " + release.Name());
    runner.Wait = true;
    runner.WaitStyle = TWaitStyle::wSuspend;
    int reports = 0;
    {
        TExecThread worker(runner, [&] { ++reports; });
        ASSERT_TRUE(WaitUntil([&] { return runner.Running() && Runs().size() == 1; }));
    }
    // Had the worker waited for the program, the probe would be gone by now.
    EXPECT_TRUE(ProcessRunning(Runs()[0].pid));
    EXPECT_FALSE(Runs()[0].ended);
    PumpMessages();
    EXPECT_EQ(reports, 0);
    release.Set();
    ASSERT_TRUE(WaitUntil([&] { return Runs()[0].ended; }));
}

namespace {

// A window of this thread that releases the probe when it gets a message:
// the probe ends only if the waiting runner serves messages.
LRESULT CALLBACK ReleaseProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        SetEvent(reinterpret_cast<HANDLE>(lp));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND ReleaseWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReleaseProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KivuReleaseWindow";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

}  // namespace

TEST_F(Runner, RegularWaitServesMessagesUntilTheProgramEnded) {
    Probe("--until " + release.Name());
    runner.Wait = true;
    runner.WaitStyle = TWaitStyle::wRegular;
    HWND window = ReleaseWindow();
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, release.Name().c_str());
    std::thread poster([&] {
        WaitUntil([&] { return runner.Running(); });
        PostMessageA(window, WM_APP, 0, reinterpret_cast<LPARAM>(event));
    });
    EXPECT_TRUE(runner.Execute());
    poster.join();
    ASSERT_EQ(Runs().size(), 1u);
    EXPECT_TRUE(Runs()[0].ended);
    CloseHandle(event);
    DestroyWindow(window);
}

TEST_F(Runner, QuitMessageDuringARegularWaitEndsTheProcessWithItsCode) {
    Probe("--until " + release.Name());
    runner.Wait = true;
    runner.WaitStyle = TWaitStyle::wRegular;
    EXPECT_EXIT(
        {
            PostQuitMessage(7);
            runner.Execute();
        },
        ::testing::ExitedWithCode(7), "");
}
