#include "starter/shownentry.h"

#include "common/convert.h"
#include "starter/schedule.h"

namespace kivu {

EntryFields FieldsOf(const EntryValues& values) {
    EntryFields f;
    f.complete = values.path && values.days && values.parameters && values.window;
    f.path = values.path.value_or("");
    f.parameters = values.parameters.value_or("");
    if (values.days) {
        f.position = TryStrToInt(*values.days);
        if (!f.position) {
            f.days = *values.days;
            f.complete = false;
        }
    }
    if (values.window && TryStrToInt(*values.window)) f.option = WindowOption(*values.window);
    else f.complete = false;
    return f;
}

void ShownEntry::BeginLoad(bool complete) {
    complete_ = complete;
    edited_ = false;
    loading_ = true;
}

void ShownEntry::EndLoad(bool through) {
    if (!through) complete_ = false;
    loading_ = false;
}

void ShownEntry::Changed() {
    if (!loading_) edited_ = true;
}

}  // namespace kivu
