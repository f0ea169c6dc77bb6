// Starts kivuutil.exe with various first arguments, as the handler would, and
// watches what it shows.
#include <gtest/gtest.h>

#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

const char* kRefusal = "KIVUUTIL belongs to the KIVUMenu Extention and can't be executed alone.";

std::string Exe() { return ExeDir() + "kivuutil.exe"; }

// Starts the program; returns the refusal boxes it showed (each dismissed with
// OK) and whether it ended with exit code 0.
struct Outcome {
    int boxes = 0;
    int otherWindows = 0;
    std::string text, caption;
    DWORD exitCode = 1234;
};

Outcome RunWith(const std::string& arguments) {
    standin::Handler handler(Exe());
    Outcome out;
    EXPECT_TRUE(handler.Start(arguments));
    const DWORD start = GetTickCount();
    while (!handler.WaitExit(5, &out.exitCode)) {
        for (HWND w : FindTopWindows(nullptr, nullptr, handler.ProcessId())) {
            if (!IsWindowVisible(w)) continue;
            if (WindowText(w) == "Information:") {
                ++out.boxes;
                out.caption = WindowText(w);
                out.text = MessageBoxText(w);
                SendMessageA(w, WM_COMMAND, IDOK, 0);
            } else {
                ++out.otherWindows;
            }
        }
        if (GetTickCount() - start > 15000) {
            ADD_FAILURE() << "kivuutil " << arguments << " did not end";
            break;
        }
    }
    return out;
}

}  // namespace

TEST(Dispatch, MissingOrNonNumericModeShowsTheRefusalOnce) {
    for (const char* args : {"", "\"\"", "abc", "999", " 999 extra args", "12x", "$3E7x"}) {
        SCOPED_TRACE(args);
        const Outcome o = RunWith(args);
        EXPECT_EQ(o.boxes, 1);
        EXPECT_EQ(o.text, kRefusal);
        EXPECT_EQ(o.caption, "Information:");
        EXPECT_EQ(o.otherWindows, 0);
        EXPECT_EQ(o.exitCode, 0u);
    }
}

TEST(Dispatch, NumbersWithoutAModeEndSilently) {
    for (const char* args : {"5", "-1", "1000", "4", "998", "11 more"}) {
        SCOPED_TRACE(args);
        const Outcome o = RunWith(args);
        EXPECT_EQ(o.boxes, 0);
        EXPECT_EQ(o.otherWindows, 0);
        EXPECT_EQ(o.exitCode, 0u);
    }
}

TEST(Dispatch, HexadecimalModeIsReadAsANumber) {
    // $3E7 is 999: the refusal; $5 is 5: silent.
    EXPECT_EQ(RunWith("$3E7").boxes, 1);
    EXPECT_EQ(RunWith("$5").boxes, 0);
}
