// Puts the language texts on a window's controls by their tags.
#pragma once
#include "ui/controls.h"

namespace ui {

// Every direct child of the container whose tag is above 0 gets the text of
// base + tag; the walk does not descend into nested containers. An empty
// text blanks the caption.
void ApplyLangTexts(Container& container, int base = 0);

// Every item of the menu whose tag is above 0 gets the text of its tag.
void ApplyLangTexts(PopupMenu& menu);

}  // namespace ui
