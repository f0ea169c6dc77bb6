// The selection dialog: the user types a wildcard pattern, the handler
// selects the matching files and fetches the pattern with a message.
#pragma once
#include <memory>

#include "ui/form.h"

namespace kivu {

class Tselectform : public ui::Form {
public:
    Tselectform();

    ui::Edit Edit1;
    ui::Button Button1;
    ui::Button Button2;
    ui::CheckBox CheckBox1;

    void Button1Click();  // confirm
    void Button2Click();  // cancel

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormShow() override;
    bool FormCloseQuery() override;
    bool FormMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void IdleStep();
    LRESULT AnswerPatternRequest(WPARAM wp);

    bool firstIdle_ = true;
    bool closeAllowed_ = false;
};

// Mode 2: the dialog as the main form.
void StartSelectform(bool showMainForm);

}  // namespace kivu
