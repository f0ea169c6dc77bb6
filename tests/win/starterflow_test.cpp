// Mode 3 from end to end, started the way the handler and the autostart
// start it: the automatic run over the registry, and the dialog driven
// from outside its process.
#include <gtest/gtest.h>

#include "tests/win/support/starter.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

std::string Today() { return std::to_string(TodayNumber()); }
std::string DaysAgo(int days) { return std::to_string(TodayNumber() - days); }

bool ProcessRunning(DWORD pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return false;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

// A message to a window of the starter's process, answered before the next step.
LRESULT Send(HWND window, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(window, msg, wp, lp, SMTO_NORMAL, 10000, &result));
    return static_cast<LRESULT>(result);
}
// The text of a control of the other process (GetWindowText does not ask it).
std::string TextOf(HWND window) {
    char text[512] = {};
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}
void TypeInto(HWND edit, const std::string& text) {
    Send(edit, EM_SETSEL, 0, -1);
    for (char ch : text) Send(edit, WM_CHAR, static_cast<unsigned char>(ch));
}

std::vector<HWND> Children(HWND parent, const char* className) {
    struct Found {
        const char* cls;
        std::vector<HWND> list;
    } found{className, {}};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<Found*>(lp);
            char name[64];
            GetClassNameA(h, name, sizeof name);
            if (lstrcmpiA(name, f->cls) == 0) f->list.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.list;
}

class StarterFlow : public ::testing::Test {
protected:
    void SetUp() override { ClearStore(); }
    void TearDown() override { ClearStore(); }
    TempDir dir;
    std::string record = dir.path() + "record.txt";
    ProbeRelease release;
    standin::Handler handler{ExeDir() + "kivuutil.exe"};
};

}  // namespace

TEST_F(StarterFlow, AutomaticRunStartsOnlyTheDueEntryAndEnds) {
    SetEntryValue("", "Copyright", "x");
    for (const char* name : {"first", "second", "third"}) {
        SetEntryValue(name, "Pfad", ProbeExe());
        SetEntryValue(name, "Parameter", record + " " + name + " \"with blanks\"");
    }
    SetEntryValue("first", "Datum", DaysAgo(6));
    SetEntryValue("second", "Datum", DaysAgo(7));
    SetEntryValue("third", "Datum", DaysAgo(1));
    SetEntryValue("third", "Tage", "2");

    ASSERT_TRUE(handler.Start("3 start"));
    HWND window = handler.FindWindowOf("Tstarterform", 10000);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    EXPECT_TRUE(IsIconic(window));
    EXPECT_FALSE(IsWindowEnabled(window));
    DWORD code = 1;
    ASSERT_TRUE(handler.WaitExit(60000, &code));
    EXPECT_EQ(code, 0u);

    const auto runs = ReadProbeRecord(record);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].args, "second with blanks");
    EXPECT_TRUE(runs[0].ended);
    EXPECT_EQ(runs[0].show, SW_SHOWNORMAL);
    EXPECT_EQ(EntryValue("second", "Datum"), Today());
    EXPECT_EQ(EntryValue("first", "Datum"), DaysAgo(6));
    EXPECT_EQ(EntryValue("third", "Datum"), DaysAgo(1));
}

TEST_F(StarterFlow, AutomaticRunStaysDisabledAfterAnErrorBox) {
    SetEntryValue("", "Copyright", "x");
    SetEntryValue("broken", "Pfad", ProbeExe());
    SetEntryValue("broken", "Tage", "sieben");
    SetEntryValue("next", "Pfad", ProbeExe());
    SetEntryValue("next", "Parameter", record + " --until " + release.Name());

    ASSERT_TRUE(handler.Start("3 start"));
    HWND window = handler.FindWindowOf("Tstarterform", 10000);
    ASSERT_TRUE(window);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND w : FindTopWindows("#32770", nullptr, handler.ProcessId()))
            if (IsWindowVisible(w)) box = w;
        return box != nullptr;
    }, std::chrono::seconds(20)));
    EXPECT_EQ(MessageBoxText(box), "'sieben' ist kein gültiger Integerwert.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    // The run goes on with the next entry, and the window stays closed to the user.
    ASSERT_TRUE(WaitUntil([&] { return ReadProbeRecord(record).size() == 1; }, std::chrono::seconds(20)));
    EXPECT_FALSE(IsWindowEnabled(window));
    release.Set();
    DWORD code = 1;
    ASSERT_TRUE(handler.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(EntryValue("next", "Datum"), Today());
    EXPECT_EQ(EntryValue("broken", "Datum"), std::nullopt);
}

TEST_F(StarterFlow, AutomaticRunWithAnEmptyStoreShowsNoWindowAndEndsAtOnce) {
    ASSERT_TRUE(handler.Start("3 start"));
    int windows = 0;
    DWORD code = 1;
    while (!handler.WaitExit(5, &code)) {
        for (HWND w : FindTopWindows(nullptr, nullptr, handler.ProcessId()))
            if (IsWindowVisible(w)) ++windows;
        ASSERT_TRUE(ProcessRunning(handler.ProcessId()) || handler.WaitExit(0));
    }
    EXPECT_EQ(windows, 0);
    EXPECT_EQ(code, 0u);
}

TEST_F(StarterFlow, ClosingTheWindowWhileAProgramRunsEndsTheStarterOnly) {
    SetEntryValue("", "Copyright", "x");
    SetEntryValue("long", "Pfad", ProbeExe());
    SetEntryValue("long", "Parameter", record + " --until " + release.Name());
    ASSERT_TRUE(handler.Start("3 start"));
    HWND window = handler.FindWindowOf("Tstarterform", 10000);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return ReadProbeRecord(record).size() == 1; }, std::chrono::seconds(20)));
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(handler.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    const auto runs = ReadProbeRecord(record);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(ProcessRunning(runs[0].pid));
    release.Set();
    EXPECT_TRUE(WaitUntil([&] { return ReadProbeRecord(record)[0].ended; }));
}

TEST_F(StarterFlow, DialogEditsTheEntries) {
    ASSERT_TRUE(handler.Start("3"));
    HWND window = handler.FindWindowOf("Tstarterform", 10000);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    HWND tabs = FindChild(window, WC_TABCONTROLA);
    HWND neu = FindChild(window, "Button", "&New");
    HWND loeschen = FindChild(window, "Button", "&Delete");
    HWND ende = FindChild(window, "Button", "&Exit");
    const std::vector<HWND> edits = Children(window, "Edit");  // name, path, parameters, days
    ASSERT_TRUE(tabs && neu && loeschen && ende);
    ASSERT_EQ(edits.size(), 4u);
    const HWND name = edits[0], path = edits[1], parameters = edits[2], days = edits[3];
    EXPECT_FALSE(IsWindowEnabled(loeschen));

    Send(neu, BM_CLICK);
    EXPECT_EQ(Send(tabs, TCM_GETITEMCOUNT), 1);
    TypeInto(name, "Mail");
    TypeInto(path, "C:\\mail\\mail.exe");
    TypeInto(parameters, "-check");
    TypeInto(days, "10");
    EXPECT_EQ(WindowText(window), "KIVU - Starter - Noname");

    Send(neu, BM_CLICK);  // saves Mail first
    EXPECT_EQ(EntryValue("Mail", "Pfad"), "C:\\mail\\mail.exe");
    EXPECT_EQ(EntryValue("Mail", "Tage"), "10");
    EXPECT_EQ(EntryValue("Mail", "Parameter"), "-check");
    EXPECT_EQ(Send(tabs, TCM_GETITEMCOUNT), 2);
    TypeInto(name, "Zip");
    TypeInto(path, "C:\\zip.exe");

    // To the first tab with the keyboard: Zip is saved, Mail is shown.
    Send(tabs, WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(Send(tabs, TCM_GETCURSEL), 0);
    EXPECT_EQ(EntryValue("Zip", "Pfad"), "C:\\zip.exe");
    EXPECT_EQ(EntryValue("Zip", "Tage"), "7");
    EXPECT_EQ(WindowText(window), "KIVU - Starter - Mail");
    EXPECT_EQ(TextOf(days), "10");

    Send(loeschen, BM_CLICK);  // Mail goes, without a question
    EXPECT_EQ(Send(tabs, TCM_GETITEMCOUNT), 1);
    EXPECT_EQ(EntryValue("Mail", "Pfad"), std::nullopt);
    EXPECT_EQ(WindowText(window), "KIVU - Starter - Zip");

    TypeInto(days, "3");
    PostMessageA(ende, BM_CLICK, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(handler.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(EntryValue("Zip", "Tage"), "3");
    EXPECT_EQ(EntryValue("Mail", "Pfad"), std::nullopt);
    const auto autostart = Autostart();
    ASSERT_TRUE(autostart.has_value());
    EXPECT_EQ(*autostart, ExeDir() + "kivuutil.exe 3 start");
}
