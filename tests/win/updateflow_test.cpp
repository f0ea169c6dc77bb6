// Mode 10 from end to end: kivuutil.exe started the way the handler starts
// it, against the local test server; the test answers the save dialog and
// the messages.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "common/reg.h"
#include "tests/win/support/testserver.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"
#include "update/releasearchive.h"
#include "update/verify.h"

using namespace testsupport;

namespace {

const char* kNoNewer = "You are already using the newest release.";
const char* kFailed = "The check for a new release or the download failed.";
const char* kCheckFailed = "The downloaded archive failed its digest or signature check. Nothing was saved.";
const char* kCaption = "Live - KIVU Menu ";
constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480, kFileTypeCombo = 0x470;

std::string Page(const std::string& links) { return "<html><body><h1>Results</h1>\n" + links + "\n</body></html>"; }

std::string HexDigest(const std::string& bytes) {
    kivu::Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    const auto digest = sha.Finish();
    std::string hex;
    for (uint8_t b : digest) hex += std::string{"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return hex;
}

std::string SentText(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    return text;
}

// Holds Ctrl down for every program while it lives. Wine sets the modifier
// keys to the X server's state (no Ctrl) whenever a window gets the focus, so
// the press is repeated until the object goes.
class CtrlHeld {
public:
    CtrlHeld() : thread_([this] {
        while (!stop_) {
            Send(0);
            Sleep(5);  // no signal: a window getting the focus may drop the key at any time
        }
    }) {}
    ~CtrlHeld() {
        stop_ = true;
        thread_.join();
        Send(KEYEVENTF_KEYUP);
    }

private:
    static void Send(DWORD flags) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = VK_CONTROL;
        in.ki.dwFlags = flags;
        SendInput(1, &in, sizeof in);
    }
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Shown {
    enum Kind { Box, SaveDialog, Ended, Nothing } kind = Nothing;
    HWND window = nullptr;
    std::string text, caption;
    DWORD exitCode = 1234;
};

class UpdateFlow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(TestServer::Authority().empty()) << "no test server: run tools/test.sh"; }

    void Start(const std::string& host = TestServer::Authority()) {
        kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kUpdateKey, kivu::kUpdateHostValue, host);
        ASSERT_TRUE(handler.Start("10"));
        form = handler.FindWindowOf("Tdownloadform", 10000);
        ASSERT_TRUE(form);
        ASSERT_TRUE(WaitUntil([&] { return (bar = FindChild(form, STATUSCLASSNAMEA)) != nullptr; }));
    }

    // The next thing the program shows: a message box, the save dialog, or its end.
    // The save dialog last answered counts only once it has gone.
    Shown Next(DWORD ms = 20000) {
        Shown shown;
        WaitUntil([&] {
            if (handler.WaitExit(0, &shown.exitCode)) {
                shown.kind = Shown::Ended;
                return true;
            }
            for (HWND w : FindTopWindows("#32770", nullptr, handler.ProcessId())) {
                if (!IsWindowVisible(w) || w == answered) continue;
                shown.window = w;
                shown.caption = WindowText(w);
                if (GetDlgItem(w, kFileNameCombo) || GetDlgItem(w, kFileNameEdit)) {
                    shown.kind = Shown::SaveDialog;
                    return true;
                }
                if (GetDlgItem(w, 0xFFFF)) {
                    shown.kind = Shown::Box;
                    shown.text = MessageBoxText(w);
                    return true;
                }
            }
            return false;
        }, std::chrono::milliseconds(ms));
        return shown;
    }

    // Presses a button of a dialog or message box and waits until it is gone.
    static void Press(HWND window, int button) {
        PostMessageA(window, WM_COMMAND, button, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }));
    }

    // Reads the proposed name, chooses path and presses the dialog's OK.
    std::string Save(const Shown& dialog, const std::string& path) {
        HWND edit = FindChild(dialog.window, "Edit");
        const std::string proposed = SentText(edit);
        SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 5000, nullptr);
        PostMessageA(dialog.window, WM_COMMAND, IDOK, 0);
        answered = dialog.window;  // it may stay while it asks whether to replace a file
        return proposed;
    }

    // The program's message box with its OK pressed; "" when another thing came.
    std::string Message() {
        const Shown box = Next();
        if (box.kind != Shown::Box) return "(no message box)";
        EXPECT_EQ(box.caption, kCaption);
        Press(box.window, IDOK);
        return box.text;
    }

    void ExpectEndWithoutMessage() {
        const Shown end = Next();
        EXPECT_EQ(end.kind, Shown::Ended) << end.text;
        EXPECT_EQ(end.exitCode, 0u);
    }

    std::string Panel(int index) { return RemoteText(bar, SB_GETTEXTW, index); }

    standin::Handler handler{ExeDir() + "kivuutil.exe"};
    HWND form = nullptr, bar = nullptr, answered = nullptr;
    TempDir dir;
};

}  // namespace

TEST_F(UpdateFlow, ANewerReleaseIsOfferedAndSavedByteForByteWithARunningCount) {
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?size=600000&rate=600000") + "kivu320.zip</A><br>" +
                              ReleaseLink("kivu330.zip") + "kivu330.zip</A>"));
    Start();
    EXPECT_EQ(WindowText(form), kCaption);
    const auto exStyle = GetWindowLongA(form, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(WaitUntil([&] { return Panel(2) == "3.20"; })) << Panel(2);
    EXPECT_EQ(Panel(0), "3.19");

    const Shown dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    HWND types = GetDlgItem(dialog.window, kFileTypeCombo);
    EXPECT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 1);  // the one filter entry
    wchar_t type[64] = {};
    SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(type));  // the system carries the text over
    EXPECT_STREQ(type, L"KIVU");
    const std::string target = dir.path() + "saved.zip";
    EXPECT_EQ(Save(dialog, target), "kivu320.zip");

    // While it downloads the bar shows the count alone.
    const std::regex count("[0-9]+ - bytes");
    std::string seen;
    EXPECT_TRUE(WaitUntil([&] {
        if (!SendMessageA(bar, SB_ISSIMPLE, 0, 0)) return false;
        seen = Panel(0);  // in the single-text mode part 0 reads the one text
        return std::regex_match(seen, count) && seen != "600000 - bytes";
    })) << seen;

    ExpectEndWithoutMessage();
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(600000));
    const auto requests = TestServer::Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].substr(0, requests[1].find('\r')),
              "GET /pub/simtelnet/win95/desktop/kivu320.zip?size=600000&rate=600000 HTTP/1.0");
}

TEST_F(UpdateFlow, TheSameOrAnOlderReleaseIsNotOffered) {
    for (const char* file : {"kivu319.zip", "kivu305.zip"}) {
        SCOPED_TRACE(file);
        TestServer::SetQuery(Page(ReleaseLink(file) + "new</A>"));
        Start();
        EXPECT_EQ(Message(), kNoNewer);
        ExpectEndWithoutMessage();
        EXPECT_EQ(TestServer::Requests().size(), 1u);
    }
}

TEST_F(UpdateFlow, CtrlHeldOffersTheSameReleaseAndCancellingEndsQuietly) {
    TestServer::SetQuery(Page(ReleaseLink("kivu319.zip") + "same</A>"));
    Start();
    // The decision comes two seconds after the answer. (The window is not
    // asked meanwhile: a message sent to it would wait out the pause.)
    ASSERT_TRUE(WaitUntil([] { return TestServer::Requests().size() == 1; }));
    Shown dialog;
    {
        CtrlHeld ctrl;
        dialog = Next();
    }
    ASSERT_EQ(dialog.kind, Shown::SaveDialog) << dialog.text;
    EXPECT_EQ(SentText(FindChild(dialog.window, "Edit")), "kivu319.zip");
    Press(dialog.window, IDCANCEL);
    ExpectEndWithoutMessage();
}

TEST_F(UpdateFlow, WithoutTheMarkerTheFormClosesWithoutAWord) {
    for (const std::string& page : {Page("<a href=\"/pub/simtelnet/win95/desktop/kivu320.zip\">x</a>"),
                                    std::string()}) {
        TestServer::SetQuery(page);
        Start();
        ExpectEndWithoutMessage();
    }
}

TEST_F(UpdateFlow, FailuresOfTheCheckShowTheFailedMessage) {
    Start("127.0.0.1:" + std::to_string(ClosedPort()));  // the server is down
    EXPECT_EQ(Message(), kFailed);
    ExpectEndWithoutMessage();

    Start("not a host:port");  // a "Host" value that makes no address
    EXPECT_EQ(Message(), kFailed);
    ExpectEndWithoutMessage();

    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip") + "x</A>"), 500);
    Start();
    EXPECT_EQ(Message(), kFailed);
    ExpectEndWithoutMessage();

    // The marker at the very end: no closing sequence, no version.
    TestServer::SetQuery("<html>" + std::string("<A HREF=\"/pub/simtelnet/win95/desktop/kivu"));
    Start();
    EXPECT_EQ(Message(), kFailed);
    ExpectEndWithoutMessage();
}

TEST_F(UpdateFlow, FailedDownloadsShowTheFailedMessageAndKeepWhatTheUserHad) {
    for (const char* fault : {"status=404", "size=100000&fault=close-mid", "fault=redirect-loop",
                              "size=100000&length=0&fault=reset-mid", "size=100000&fault=reset-mid",
                              "size=100000&fault=chunked", "size=100000&length=0"}) {
        SCOPED_TRACE(fault);
        TestServer::SetQuery(Page(ReleaseLink(std::string("kivu320.zip?") + fault) + "x</A>"));
        const std::string target = dir.Write("kivu320.zip", "what the user had");
        Start();
        const Shown dialog = Next();
        ASSERT_EQ(dialog.kind, Shown::SaveDialog);
        Save(dialog, target);
        const Shown replace = Next();  // the file exists: the dialog asks first
        ASSERT_EQ(replace.kind, Shown::Box);
        Press(replace.window, IDYES);
        EXPECT_EQ(Message(), kFailed);
        ExpectEndWithoutMessage();
        EXPECT_EQ(ReadWholeFile(target), "what the user had");
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});  // no temporary file left
    }
    // An error page is not stored as the archive. (A longer file name: the
    // proposal is 11 characters, the address keeps the whole link.)
    TestServer::SetQuery(Page(ReleaseLink("kivu320beta.zip?status=404") + "x</A>"));
    Start();
    const Shown dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    EXPECT_EQ(Save(dialog, dir.path() + "new.zip"), "kivu320beta");
    EXPECT_EQ(Message(), kFailed);
    ExpectEndWithoutMessage();
    EXPECT_EQ(GetFileAttributesA((dir.path() + "new.zip").c_str()), INVALID_FILE_ATTRIBUTES);
    const auto requests = TestServer::Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].substr(0, requests[1].find('\r')),
              "GET /pub/simtelnet/win95/desktop/kivu320beta.zip?status=404 HTTP/1.0");
}

TEST_F(UpdateFlow, ClosingDuringATransferEndsTheProgramAndLeavesNoFile) {
    // A server that accepts and then says nothing.
    TestServer::SetQuery("", 200, "stall-head");
    Start();
    ASSERT_TRUE(WaitUntil([] { return TestServer::Requests().size() == 1; }));
    PostMessageA(form, WM_CLOSE, 0, 0);
    ExpectEndWithoutMessage();

    // A slow download, closed half way.
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?size=2000000&rate=200000") + "x</A>"));
    Start();
    const Shown dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    Save(dialog, dir.path() + "kivu320.zip");
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(bar, SB_ISSIMPLE, 0, 0) != 0; }));
    PostMessageA(form, WM_CLOSE, 0, 0);
    ExpectEndWithoutMessage();
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST_F(UpdateFlow, OverHttpsTheCheckAndTheDownloadWork) {
    ASSERT_FALSE(TestServer::TlsAuthority().empty());
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?size=200000") + "kivu320.zip</A>"));
    Start("https://" + TestServer::TlsAuthority());
    EXPECT_TRUE(WaitUntil([&] { return Panel(2) == "3.20"; })) << Panel(2);
    const Shown dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    const std::string target = dir.path() + "kivu320.zip";
    EXPECT_EQ(Save(dialog, target), "kivu320.zip");
    ExpectEndWithoutMessage();
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(200000));
    EXPECT_EQ(TestServer::Requests().size(), 2u);
}

TEST_F(UpdateFlow, AWrongCertificateFailsTheCheckAndTheDownload) {
    // The query from a server with an expired certificate.
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?size=1000") + "x</A>"));
    Start("https://" + TestServer::ExpiredAuthority());
    EXPECT_EQ(Message(), kFailed);
    ExpectEndWithoutMessage();
    EXPECT_TRUE(TestServer::Requests().empty());

    // The archive redirected to a server whose certificate names another host.
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?fault=redirect-to&to=https://" +
                                          TestServer::OtherNameAuthority() + "/kivu320.zip") +
                              "x</A>"));
    Start("https://" + TestServer::TlsAuthority());
    const Shown dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    Save(dialog, dir.path() + "kivu320.zip");
    EXPECT_EQ(Message(), kFailed);
    ExpectEndWithoutMessage();
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST_F(UpdateFlow, TheArchiveMustMatchTheDigestThePageOffers) {
    const std::string digest = HexDigest(ArchiveBytes(100000));
    const std::string offer = "<a href=\"/pub/simtelnet/win95/desktop/kivu320.zip.sha256\">SHA-256</a>";
    TestServer::PutFile("/pub/simtelnet/win95/desktop/kivu320.zip.sha256",
                        std::string(64, 'f') + "  kivu320.zip\n");
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?size=100000") + "x</A> " + offer));
    const std::string target = dir.Write("kivu320.zip", "what the user had");
    Start();
    Shown dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    Save(dialog, target);
    Press(Next().window, IDYES);  // replace the file
    EXPECT_EQ(Message(), kCheckFailed);
    ExpectEndWithoutMessage();
    EXPECT_EQ(ReadWholeFile(target), "what the user had");
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});
    const auto requests = TestServer::Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].substr(0, requests[2].find('\r')),
              "GET /pub/simtelnet/win95/desktop/kivu320.zip.sha256 HTTP/1.0");

    TestServer::PutFile("/pub/simtelnet/win95/desktop/kivu320.zip.sha256", digest + "  kivu320.zip\n");
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?size=100000") + "x</A> " + offer));
    Start();
    dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    Save(dialog, target);
    Press(Next().window, IDYES);
    ExpectEndWithoutMessage();
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(100000));
}

TEST_F(UpdateFlow, ThroughTheProxyTheUserSet) {
    ASSERT_FALSE(TestServer::ProxyAuthority().empty());
    // Another name than the server's (see the client's proxy test).
    const UserProxy proxy("localhost" + TestServer::ProxyAuthority().substr(TestServer::ProxyAuthority().find(':')));
    TestServer::SetQuery(Page(ReleaseLink("kivu320.zip?size=50000") + "x</A>"));
    Start();
    const Shown dialog = Next();
    ASSERT_EQ(dialog.kind, Shown::SaveDialog);
    const std::string target = dir.path() + "kivu320.zip";
    Save(dialog, target);
    ExpectEndWithoutMessage();
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(50000));
    const auto carried = TestServer::Proxied();
    ASSERT_EQ(carried.size(), 2u);
    EXPECT_EQ(carried[0], "GET http://" + TestServer::Authority() + "/simcgi-bin/win95find.cgi?kivu HTTP/1.0");
    EXPECT_EQ(carried[1], "GET http://" + TestServer::Authority() +
                              "/pub/simtelnet/win95/desktop/kivu320.zip?size=50000 HTTP/1.0");
}
