// The small dialog of the FTP page's "Add FTP site": the user types a name
// and an address. OK takes them only when the list can store them (otherwise
// a beep, and the field at fault gets the focus); Cancel takes nothing.
#pragma once
#include <optional>

#include "config/menustore.h"
#include "ui/form.h"

namespace kivu {

class Tftpsiteform : public ui::Form {
public:
    Tftpsiteform();

    ui::Label Label1;
    ui::Edit Edit1;  // name
    ui::Label Label2;
    ui::Edit Edit2;  // address
    ui::Button Button1;
    ui::Button Button2;

    // Shows the dialog modally over its owner: the site typed, or nothing
    // when the user cancelled.
    std::optional<FtpEntry> Execute(HWND owner);

    void Button1Click();
    void Button2Click();

protected:
    void CreateControls() override;
    void FormCreate() override;

private:
    FtpEntry Typed() const { return {Edit1.Text(), Edit2.Text()}; }
};

}  // namespace kivu
