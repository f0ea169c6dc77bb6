// The system's animation control, playing one of the shell's stock clips.
#pragma once
#include "ui/controls.h"

namespace ui {

class Animate : public Control {
public:
    // The shell's clips, by their resource numbers in shell32.
    enum class Clip { None = 0, FindFolder = 150, CopyFile = 161 };

    void Create(Container& parent, const Spec& spec);
    // Opens the clip (None closes the one shown); playing stops. False when
    // the system has no such clip.
    bool SetClip(Clip clip);
    Clip GetClip() const { return clip_; }
    // Plays the whole clip over and over until Stop.
    void Play();
    void Stop();
    bool Active() const { return active_; }

private:
    Clip clip_ = Clip::None;
    bool active_ = false;
};

}  // namespace ui
