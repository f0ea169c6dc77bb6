// The animation control with the shell's clips.
#include <gtest/gtest.h>

#include "tests/win/support/winsupport.h"
#include "ui/animate.h"
#include "ui/form.h"

namespace {

class AnimateForm : public ui::Form {
public:
    AnimateForm() : ui::Form({.name = "animatetestform", .width = 300, .height = 120, .caption = "Animate"}) {}
    ui::Animate Animate1;

protected:
    void CreateControls() override {
        Animate1.Create(*this, {.name = "Animate1", .width = 285, .height = 89, .align = ui::Align::Client});
    }
};

}  // namespace

TEST(Animate, OpensAndPlaysTheShellsClipsAndCloses) {
    AnimateForm form;
    form.Create();
    form.Show();
    for (auto clip : {ui::Animate::Clip::FindFolder, ui::Animate::Clip::CopyFile}) {
        SCOPED_TRACE(static_cast<int>(clip));
        EXPECT_TRUE(form.Animate1.SetClip(clip));
        EXPECT_EQ(form.Animate1.GetClip(), clip);
        form.Animate1.Play();
        EXPECT_TRUE(form.Animate1.Active());
        testsupport::PumpMessages();
        form.Animate1.Stop();
        EXPECT_FALSE(form.Animate1.Active());
    }
    form.Animate1.Play();
    EXPECT_TRUE(form.Animate1.SetClip(ui::Animate::Clip::None));
    EXPECT_FALSE(form.Animate1.Active());  // a new clip stops the old one
    form.Animate1.Play();
    EXPECT_FALSE(form.Animate1.Active());  // nothing to play
}
