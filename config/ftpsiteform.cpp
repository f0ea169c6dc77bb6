#include "config/ftpsiteform.h"

#include "common/kivulanguage.h"
#include "config/entrylist.h"
#include "ui/langtexts.h"

namespace kivu {

Tftpsiteform::Tftpsiteform()
    : ui::Form({.name = "ftpsiteform", .tag = 10329, .clientWidth = 300, .clientHeight = 97,
                .caption = "FTP Seite hinzufügen", .resizable = false, .dialogFrame = true}) {}

void Tftpsiteform::CreateControls() {
    Label1.Create(*this, {.name = "Label1", .tag = 10330, .left = 8, .top = 12, .width = 60, .height = 13,
                          .text = "&Name:"});
    Edit1.Create(*this, {.name = "Edit1", .left = 72, .top = 8, .width = 220, .height = 21});
    Label2.Create(*this, {.name = "Label2", .tag = 10331, .left = 8, .top = 40, .width = 60, .height = 13,
                          .text = "&Adresse:"});
    Edit2.Create(*this, {.name = "Edit2", .left = 72, .top = 36, .width = 220, .height = 21});
    Button1.Create(*this, {.name = "Button1", .tag = 10332, .left = 136, .top = 66, .width = 75, .height = 23,
                           .text = "OK"});
    Button2.Create(*this, {.name = "Button2", .tag = 10333, .left = 217, .top = 66, .width = 75, .height = 23,
                           .text = "Abbrechen"});
    SetDefaultButton(&Button1);
    SetCancelButton(&Button2);
    SetActiveControl(&Edit1);
    Button1.onClick = [this] { Button1Click(); };
    Button2.onClick = [this] { Button2Click(); };
}

void Tftpsiteform::FormCreate() {
    LangTextBatch texts;
    SetCaption(GetLangString(Tag()));
    ui::ApplyLangTexts(*this);
}

std::optional<FtpEntry> Tftpsiteform::Execute(HWND owner) {
    if (ShowModal(owner) != ui::mrOk) return std::nullopt;
    return Typed();
}

void Tftpsiteform::Button1Click() {
    const FtpSiteFault fault = CheckFtpSite(Typed());
    if (fault == FtpSiteFault::None) {
        SetModalResult(ui::mrOk);
        return;
    }
    MessageBeep(MB_ICONWARNING);
    (fault == FtpSiteFault::Name ? Edit1 : Edit2).SetFocus();
}

void Tftpsiteform::Button2Click() { SetModalResult(ui::mrCancel); }

}  // namespace kivu
