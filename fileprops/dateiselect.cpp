#include "fileprops/dateiselect.h"

#include <iterator>

#include "common/convert.h"
#include "common/kivulanguage.h"
#include "common/text.h"
#include "link/handlerevents.h"
#include "link/handlerlink.h"
#include "ui/app.h"
#include "ui/langtexts.h"

namespace kivu {

Tselectform::Tselectform()
    : ui::Form({.name = "selectform", .tag = 10100, .clientWidth = 333, .clientHeight = 62,
                .caption = "Dateien auswählen", .resizable = false, .dialogFrame = true, .topMost = true}) {}

void Tselectform::CreateControls() {
    Edit1.Create(*this, {.name = "Edit1", .left = 8, .top = 8, .width = 317, .height = 21, .text = "*"});
    Button1.Create(*this, {.name = "Button1", .tag = 10101, .left = 159, .top = 33, .width = 81, .height = 23,
                           .text = "Übernehmen"});
    Button2.Create(*this, {.name = "Button2", .tag = 10102, .left = 244, .top = 33, .width = 81, .height = 23,
                           .text = "Abbrechen"});
    CheckBox1.Create(*this, {.name = "CheckBox1", .tag = 10103, .left = 8, .top = 36, .width = 146, .height = 17,
                             .text = "zusätzlich auswählen"});
    SetDefaultButton(&Button1);
    Edit1.SetMaxLength(kMaxPattern);
    Button1.onClick = [this] { Button1Click(); };
    Button2.onClick = [this] { Button2Click(); };
}

void Tselectform::FormCreate() {
    SetCaption(GetLangString(Tag()));
    ui::ApplyLangTexts(*this);
    firstIdle_ = true;
    closeAllowed_ = false;
    ui::App().SetIdleHook([this] { IdleStep(); });
    const auto args = ProgramArguments();
    if (args.size() > 2) {
        const int32_t n = StrToInt(args[2]);  // not a number: the error display, defaults kept
        CheckBox1.SetChecked(false);
        CheckBox1.SetEnabled((n & 0xFF) != 0);
    }
}

// Typing replaces the proposed pattern.
void Tselectform::FormShow() { Edit1.SetSelection(0, static_cast<int>(Edit1.Text().size())); }

void Tselectform::IdleStep() {
    if (!firstIdle_) return;
    firstIdle_ = false;
    ui::App().SetIdleHook(nullptr);
    SignalHandlerEvent(kEventStart);
}

void Tselectform::Button1Click() {
    closeAllowed_ = true;
    Edit1.SetText(MarkPattern(Edit1.Text(), CheckBox1.Checked()));
    SignalHandlerEvent(kEventEnd);
}

void Tselectform::Button2Click() {
    closeAllowed_ = true;
    Edit1.SetText("");
    SignalHandlerEvent(kEventEnd);
}

bool Tselectform::FormCloseQuery() { return closeAllowed_; }

bool Tselectform::FormMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != kMsgQueryPattern) return false;
    result = AnswerPatternRequest(wp);
    return true;
}

LRESULT Tselectform::AnswerPatternRequest(WPARAM wp) {
    const auto request = static_cast<ATOM>(LOWORD(wp));
    wchar_t text[kAtomBufferSize];
    if (GlobalGetAtomNameW(request, text, static_cast<int>(std::size(text)))) GlobalDeleteAtom(request);
    const ATOM answer = GlobalAddAtomW(Widen(Edit1.Text()).c_str());
    // The answer goes back first; the window closes afterwards, if it may.
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
    return answer;
}

void StartSelectform(bool showMainForm) {
    static std::unique_ptr<Tselectform> selectform;
    ui::App().StartForm(selectform, showMainForm);
}

}  // namespace kivu
