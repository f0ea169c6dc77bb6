#include "ui/langtexts.h"

#include "common/kivulanguage.h"

namespace ui {

void ApplyLangTexts(Container& container, int base) {
    for (Control* child : container.Children())
        if (child->Tag() > 0) child->SetText(kivu::GetLangString(base + child->Tag()));
}

void ApplyLangTexts(PopupMenu& menu) {
    for (MenuItem* item : menu.Items())
        if (item->tag > 0) item->caption = kivu::GetLangString(item->tag);
}

}  // namespace ui
