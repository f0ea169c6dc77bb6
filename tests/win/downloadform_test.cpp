// The live-update form in this process, opened the way the configuration
// dialog opens it: not the main form, shown without waiting, hidden when it
// closes.
#include <gtest/gtest.h>

#include <functional>

#include "common/reg.h"
#include "tests/win/support/testserver.h"
#include "tests/win/support/winsupport.h"
#include "ui/app.h"
#include "update/downloaddialog.h"
#include "update/releasearchive.h"

using namespace testsupport;
using kivu::Tdownloadform;

namespace {

// Stands for the configuration dialog: the main form that opens the live
// update and then runs the test's steps on a timer until one says it is done.
class MainStandIn : public ui::Form {
public:
    MainStandIn() : ui::Form({.name = "mainstandin", .width = 200, .height = 100, .caption = "main"}) {}
    static std::function<bool(MainStandIn&)> step;  // true: done
    std::shared_ptr<Tdownloadform> update;
    ui::Timer timer;

protected:
    void FormCreate() override {
        update = Tdownloadform::Open();
        timer.Start(20, [this] {
            if (step(*this)) {
                timer.Stop();
                Close();
            }
        });
    }
};
std::function<bool(MainStandIn&)> MainStandIn::step;

void RunMain(std::function<bool(MainStandIn&)> step) {
    MainStandIn::step = std::move(step);
    std::unique_ptr<MainStandIn> slot;
    ui::App().StartForm(slot, true);
}

class DownloadForm : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::Authority().empty()) << "no test server: run tools/test.sh";
        kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kUpdateKey, kivu::kUpdateHostValue, TestServer::Authority());
    }
};

}  // namespace

TEST_F(DownloadForm, ClosedDuringATransferItIsHiddenAndItsCheckEnds) {
    TestServer::SetQuery("", 200, "stall-head");  // the query never gets an answer
    DialogAnswerer dialogs("#32770", PressButton(IDCANCEL));  // a message or a save dialog must not hold the test
    std::shared_ptr<Tdownloadform> form;
    bool closed = false;
    RunMain([&](MainStandIn& main) -> bool {
        form = main.update;
        if (!closed && TestServer::Requests().size() == 1) {
            EXPECT_TRUE(main.update->NMHTTP1);  // the check runs
            PostMessageA(main.update->Handle(), WM_CLOSE, 0, 0);
            closed = true;
        }
        return closed && !main.update->NMHTTP1;
    });
    ASSERT_TRUE(closed);
    ASSERT_TRUE(form);
    EXPECT_TRUE(IsWindow(form->Handle()));  // hidden, not destroyed
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(dialogs.count(), 0) << dialogs.caption << ": " << dialogs.text;
}

TEST_F(DownloadForm, TheCallerMayLetGoWhileTheCheckRuns) {
    TestServer::SetQuery("", 200, "stall-head");
    DialogAnswerer dialogs("#32770", PressButton(IDCANCEL));  // a message or a save dialog must not hold the test
    HWND window = nullptr;
    RunMain([&](MainStandIn& main) -> bool {
        if (main.update && TestServer::Requests().size() == 1) {
            window = main.update->Handle();
            main.update.reset();  // the running check keeps the form alive
            EXPECT_TRUE(IsWindow(window));
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return window && !IsWindow(window);  // gone once the check has ended
    });
    EXPECT_TRUE(window);
    EXPECT_EQ(dialogs.count(), 0) << dialogs.caption << ": " << dialogs.text;
}
