#include "ui/memo.h"

namespace ui {

void Memo::Create(Container& parent, const Spec& spec, bool readOnly) {
    CreateChild(parent, spec, "EDIT", ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | (readOnly ? ES_READONLY : 0),
                WS_EX_CLIENTEDGE);
}

void Memo::HideCaret() { ::HideCaret(hwnd_); }

bool Memo::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP) {
        result = DefSubclassProc(hwnd_, msg, wp, lp);
        Fire(onMouseUp);
        return true;
    }
    return Control::HandleMessage(msg, wp, lp, result);
}

}  // namespace ui
