// Mode 2 from end to end, driven the way the context-menu handler drives it:
// ready signal, the user's decision, the pattern request and its answer atom.
#include <gtest/gtest.h>

#include <memory>

#include "common/utf8.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

class SelectFlow : public ::testing::Test {
protected:
    // Starts "2 arguments" and finds the dialog and its controls.
    void Open(const std::string& arguments) {
        handler = std::make_unique<standin::Handler>(ExeDir() + "kivuutil.exe");
        ASSERT_TRUE(handler->Start("2" + (arguments.empty() ? "" : " " + arguments)))
            << "start error " << handler->StartError();
        ASSERT_TRUE(handler->WaitStart(20000)) << "no ready signal";
        dialog = handler->FindWindowOf("Tselectform", 5000);
        ASSERT_TRUE(dialog);
        pattern = FindChild(dialog, "Edit");
        confirm = FindChild(dialog, "Button", "OK");
        cancel = FindChild(dialog, "Button", "Cancel");
        addBox = FindChild(dialog, "Button", "add to selection");
        ASSERT_TRUE(pattern && confirm && cancel && addBox);
    }
    std::string Pattern() const { return WindowText(pattern); }
    bool BoxChecked() const { return SendMessageA(addBox, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // Posted like a user's click, so it runs in the dialog's own loop.
    static void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }
    // Returns once the dialog has handled everything posted to it before.
    void Settle() const {
        PostMessageA(pattern, EM_SETSEL, 0, 1);
        ASSERT_TRUE(WaitUntil([&] {
            DWORD start = 9, end = 9;
            SendMessageA(pattern, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            return start == 0 && end == 1;
        }));
    }
    void ExpectEndsWith(const std::string& answer) {
        EXPECT_EQ(handler->QueryPattern(dialog), answer);
        DWORD code = 1;
        ASSERT_TRUE(handler->WaitExit(10000, &code)) << "the dialog did not close after the answer";
        EXPECT_EQ(code, 0u);
    }

    std::unique_ptr<standin::Handler> handler = std::make_unique<standin::Handler>(ExeDir() + "kivuutil.exe");
    HWND dialog = nullptr, pattern = nullptr, confirm = nullptr, cancel = nullptr, addBox = nullptr;
};

}  // namespace

TEST_F(SelectFlow, TheSecondArgumentEnablesTheBoxByItsLowEightBits) {
    struct Case {
        const char* argument;
        bool enabled;
    };
    for (const Case c : {Case{"", true}, {"0", false}, {"1", true}, {"256", false}, {"257", true}, {"-1", true}}) {
        SCOPED_TRACE(c.argument);
        Open(c.argument);
        EXPECT_EQ(IsWindowEnabled(addBox) != FALSE, c.enabled);
        EXPECT_FALSE(BoxChecked());
        EXPECT_EQ(Pattern(), "*");
        Click(cancel);
        ASSERT_TRUE(handler->WaitEnd(10000));
        ExpectEndsWith("");
    }
}

TEST_F(SelectFlow, ANonNumericArgumentIsReportedAndTheBoxKeepsItsDefaults) {
    ASSERT_TRUE(handler->Start("2 abc"));
    HWND box = WaitForWindow({"#32770", "KIVUUtil", handler->ProcessId()});
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "'abc' ist kein gültiger Integerwert.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(handler->WaitStart(20000)) << "the dialog must still report that it is ready";
    dialog = handler->FindWindowOf("Tselectform", 5000);
    addBox = FindChild(dialog, "Button", "add to selection");
    ASSERT_TRUE(addBox);
    EXPECT_TRUE(IsWindowEnabled(addBox));
    EXPECT_EQ(SendMessageA(addBox, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(SelectFlow, TypedPatternConfirmedWithEnterAndTheBox) {
    Open("1");
    // The proposed "*" is selected: typing replaces it.
    for (char ch : std::string("*.txt")) PostMessageA(pattern, WM_CHAR, static_cast<unsigned char>(ch), 1);
    ASSERT_TRUE(WaitUntil([&] { return Pattern() == "*.txt"; })) << Pattern();
    Click(addBox);
    ASSERT_TRUE(WaitUntil([&] { return BoxChecked(); }));
    // Escape is not Cancel: nothing is decided.
    PostMessageA(pattern, WM_KEYDOWN, VK_ESCAPE, 0);
    Settle();
    EXPECT_FALSE(handler->WaitEnd(0));
    EXPECT_TRUE(IsWindow(dialog));
    // Enter is "Übernehmen".
    PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(handler->WaitEnd(10000));
    EXPECT_EQ(Pattern(), "\x01*.txt");  // the field shows the mark
    ExpectEndsWith("\x01*.txt");
}

TEST_F(SelectFlow, ConfirmingTwiceKeepsOneMarkAndFollowsTheBox) {
    Open("");
    SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("a*"));
    Click(addBox);
    Click(confirm);
    ASSERT_TRUE(handler->WaitEnd(10000));
    Click(confirm);
    ASSERT_TRUE(handler->WaitEnd(10000)) << "every press signals again";
    EXPECT_EQ(Pattern(), "\x01" "a*");
    Click(addBox);  // unchecked again: the next confirmation drops the mark
    Click(confirm);
    ASSERT_TRUE(handler->WaitEnd(10000));
    ExpectEndsWith("a*");
}

TEST_F(SelectFlow, ConfirmWithoutTheBoxAndCancel) {
    Open("1");
    SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("report ??.doc"));
    Click(confirm);
    ASSERT_TRUE(handler->WaitEnd(10000));
    ExpectEndsWith("report ??.doc");

    standin::Handler second(ExeDir() + "kivuutil.exe");
    ASSERT_TRUE(second.Start("2"));
    ASSERT_TRUE(second.WaitStart(20000));
    HWND other = second.FindWindowOf("Tselectform", 5000);
    ASSERT_TRUE(other);
    Click(FindChild(other, "Button", "Cancel"));
    ASSERT_TRUE(second.WaitEnd(10000));
    EXPECT_EQ(second.QueryPattern(other), "");
    ASSERT_TRUE(second.WaitExit(10000));
}

TEST_F(SelectFlow, NoCloseBeforeADecisionButEarlyRequestsAreAnswered) {
    Open("1");
    // The close box and Alt+F4 do nothing yet.
    SendMessageTimeoutA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_TRUE(IsWindow(dialog));
    // A request before the decision gets the current pattern; the window stays.
    const std::string request = "kivu request " + std::to_string(GetTickCount());
    EXPECT_EQ(handler->QueryPattern(dialog, request), "*");
    EXPECT_EQ(GlobalFindAtomA(request.c_str()), 0) << "the dialog deletes the request atom";
    Settle();
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(handler->WaitEnd(0));

    Click(confirm);
    ASSERT_TRUE(handler->WaitEnd(10000));
    ExpectEndsWith("*");
}

TEST_F(SelectFlow, APatternAlwaysFitsIntoTheAnswerAtom) {
    Open("1");
    SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (int i = 0; i < 300; ++i) PostMessageA(pattern, WM_CHAR, 'a', 1);
    Settle();
    const std::string typed = Pattern();
    EXPECT_EQ(typed.size(), 254u) << "the field takes no more than fits with the mark";
    Click(addBox);
    Click(confirm);
    ASSERT_TRUE(handler->WaitEnd(10000));
    ExpectEndsWith("\x01" + typed);
}

TEST_F(SelectFlow, ThePatternLimitCountsUtf16UnitsAsTheAtomDoes) {
    Open("1");
    // Greek letters are two bytes but one unit each; an emoji is two units.
    SendMessageW(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (int i = 0; i < 300; ++i) PostMessageW(pattern, WM_CHAR, L'\u03B1', 1);
    Settle();
    EXPECT_EQ(kivu::utf8::Length(Pattern()), 254u);
    SendMessageW(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (int i = 0; i < 200; ++i) {
        PostMessageW(pattern, WM_CHAR, 0xD83C, 1);
        PostMessageW(pattern, WM_CHAR, 0xDF89, 1);
    }
    Settle();
    std::string party;
    for (int i = 0; i < 127; ++i) party += "🎉";
    EXPECT_EQ(Pattern(), party);  // whole emoji only
    Click(confirm);
    ASSERT_TRUE(handler->WaitEnd(10000));
}
