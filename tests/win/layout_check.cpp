// Every window of every mode at the prefix's display scale, in English and
// German: each visible control's text fits it, siblings do not overlap unless
// one holds the other by design, every control lies inside its parent.
// tools/layout-check.sh runs it once per scale, each in a prefix of its own;
// KIVU_EXPECT_DPI names the scale the prefix was set to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/execprgrm.h"
#include "common/kivulanguage.h"
#include "common/text.h"
#include "config/ftpsiteform.h"
#include "config/konfigunit.h"
#include "fileprops/dateiselect.h"
#include "fileprops/numberinput.h"
#include "fileprops/renameform.h"
#include "starter/starterdialog.h"
#include "ui/dpi.h"
#include "update/downloaddialog.h"

namespace {

std::string ClassOf(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return kivu::Narrow(name);
}

bool IsClass(HWND w, const char* name) { return lstrcmpiA(ClassOf(w).c_str(), name) == 0; }

std::wstring TextOf(HWND w) {
    std::wstring s(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    s.resize(static_cast<size_t>(std::max(0, GetWindowTextW(w, s.data(), static_cast<int>(s.size())))));
    return s;
}

// The text as drawn: "&&" is one "&", a single "&" marks the access key.
std::wstring Shown(const std::wstring& text) {
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

// The extent of a text in the control's own font; wrapWidth > 0 breaks it into lines that wide.
SIZE Extent(HWND w, const std::wstring& text, int wrapWidth = 0) {
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)));
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 10000, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return {r.right - r.left, r.bottom - r.top};
}

// The composite controls of the system: what is inside them is theirs.
bool IsComposite(HWND w) {
    for (const char* name : {"SysListView32", "SysDateTimePick32", "ComboBox", "msctls_trackbar32", "Edit",
                             "msctls_statusbar32", "SysAnimate32", "ListBox", "SysTabControl32"})
        if (IsClass(w, name)) return true;
    return lstrcmpiA(ClassOf(w).substr(0, 8).c_str(), "RichEdit") == 0;
}

DWORD StyleOf(HWND w) { return static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE)); }

bool IsGroupBox(HWND w) { return IsClass(w, "Button") && (StyleOf(w) & BS_TYPEMASK) == BS_GROUPBOX; }

// Holds its siblings by design: a group box drawn around them, a panel or tab
// control behind them, a page of a page control.
bool HoldsOthers(HWND w) { return IsGroupBox(w) || IsClass(w, "TPanel") || IsClass(w, "SysTabControl32"); }

class Checker {
public:
    Checker(std::string window, int dpi) : window_(std::move(window)), dpi_(dpi) {}

    void Walk(HWND parent) {
        std::vector<HWND> children;
        for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c)) children.push_back(c);
        RECT inside;
        GetClientRect(parent, &inside);
        MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&inside), 2);
        for (size_t i = 0; i < children.size(); ++i) {
            HWND c = children[i];
            const RECT r = ScreenRect(c);
            RECT both;
            // Wholly outside is hidden by design (the number input shows only its knob).
            if (!IntersectRect(&both, &r, &inside)) continue;
            if (!EqualRect(&both, &r))
                Fault(c, "at " + Text(r) + " lies outside its parent " + Name(parent) + " " + Text(inside));
            for (size_t j = i + 1; j < children.size(); ++j) {
                HWND d = children[j];
                const RECT s = ScreenRect(d);
                if (IntersectRect(&both, &r, &s) && !HoldsOthers(c) && !HoldsOthers(d))
                    Fault(c, "overlaps " + Name(d));
            }
            CheckText(c);
            if (!IsComposite(c)) Walk(c);
        }
    }

    const std::vector<std::string>& Faults() const { return faults_; }

private:
    static RECT ScreenRect(HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return r;
    }
    static std::string Text(const RECT& r) {
        return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
               std::to_string(r.bottom) + ")";
    }
    int Px(int designed) const { return ui::ScaleToDpi(designed, dpi_); }
    static std::string Name(HWND w) {
        const ui::Control* c = ui::Control::FromHandle(w);
        const std::string text = kivu::Narrow(TextOf(w));
        return (c && !c->Name().empty() ? c->Name() : ClassOf(w)) + (text.empty() ? "" : " \"" + text + "\"");
    }
    void Fault(HWND w, const std::string& what) {
        faults_.push_back(window_ + " / " + Name(w) + " at " + std::to_string(dpi_) + " DPI: " + what);
    }
    void Fits(HWND w, SIZE need, int width, int height) {
        if (need.cx > width || need.cy > height)
            Fault(w, "text needs " + std::to_string(need.cx) + " x " + std::to_string(need.cy) + ", has " +
                         std::to_string(width) + " x " + std::to_string(height));
    }

    void CheckText(HWND w) {
        RECT client;
        GetClientRect(w, &client);
        const int width = client.right, height = client.bottom;
        const std::wstring text = TextOf(w);
        if (IsClass(w, "Static")) {
            if (text.empty()) return;
            const SIZE need = Extent(w, text, width);
            Fits(w, need, width, height);
        } else if (IsClass(w, "Button")) {
            if (text.empty()) return;
            const SIZE t = Extent(w, Shown(text));
            const DWORD type = StyleOf(w) & BS_TYPEMASK;
            if (type == BS_GROUPBOX) {
                Fits(w, {t.cx + Px(16), t.cy}, width, height);
            } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
                // Not edge to edge: the frame and a little air on either side.
                Fits(w, {t.cx + Px(6), t.cy + Px(2)}, width, height);
            } else {
                // A check box or option: its box, a gap, the text.
                const int box = GetSystemMetrics(SM_CXMENUCHECK);
                Fits(w, {box + Px(4) + t.cx, std::max<LONG>(t.cy, GetSystemMetrics(SM_CYMENUCHECK))}, width, height);
            }
        } else if (IsClass(w, "Edit") && !(StyleOf(w) & ES_MULTILINE)) {
            const SIZE t = Extent(w, text.empty() ? L"Ag" : text);
            Fits(w, {text.empty() ? 0 : t.cx + Px(4), t.cy}, width, height);
        } else if (IsClass(w, "SysDateTimePick32")) {
            // The shown date or time, then the drop-down or spin button.
            const SIZE t = Extent(w, text.empty() ? L"00.00.0000" : text);
            Fits(w, {t.cx + Px(4) + GetSystemMetrics(SM_CXVSCROLL), t.cy}, width, height);
        } else if (IsClass(w, "ComboBox")) {
            const SIZE t = Extent(w, L"Ag");
            Fits(w, {0, t.cy}, width, height);
        } else if (IsClass(w, "msctls_statusbar32")) {
            const int parts = static_cast<int>(SendMessageW(w, SB_GETPARTS, 0, 0));
            for (int p = 0; p < parts; ++p) {
                const int n = LOWORD(SendMessageW(w, SB_GETTEXTLENGTHW, p, 0));
                if (n == 0) continue;
                std::wstring s(n + 1u, L'\0');
                SendMessageW(w, SB_GETTEXTW, p, reinterpret_cast<LPARAM>(s.data()));
                s.resize(n);
                RECT part;
                SendMessageW(w, SB_GETRECT, p, reinterpret_cast<LPARAM>(&part));
                const SIZE t = Extent(w, s);
                if (t.cx + Px(4) > part.right - part.left || t.cy > part.bottom - part.top)
                    Fault(w, "part " + std::to_string(p) + " \"" + kivu::Narrow(s) + "\" does not fit");
            }
        }
    }

    std::string window_;
    int dpi_;
    std::vector<std::string> faults_;
};

void Pump() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(0);
    }
}

std::string Report(const std::vector<std::string>& faults) {
    std::string all;
    for (const std::string& f : faults) all += f + "\n";
    return all;
}

class Layout : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        WritePrivateProfileStringW(L"Language", L"Current", kivu::Widen(GetParam()).c_str(),
                                   kivu::Widen(kivu::kLanguageFile).c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, kivu::Widen(kivu::kLanguageFile).c_str());
        kivu::ClearLangCache();
    }
    void TearDown() override {
        WritePrivateProfileStringW(L"Language", L"Current", L"English", kivu::Widen(kivu::kLanguageFile).c_str());
        kivu::ClearLangCache();
    }

    // Shows the form, checks it and gives back what is wrong.
    std::vector<std::string> Check(ui::Form& form, const std::string& name) {
        if (!form.Handle()) form.Create();
        form.Show();
        Pump();
        if (const char* expected = std::getenv("KIVU_EXPECT_DPI")) {
            EXPECT_EQ(form.Dpi(), std::atoi(expected)) << name;
        }
        Checker checker(name + " (" + GetParam() + ")", form.Dpi());
        checker.Walk(form.Handle());
        return checker.Faults();
    }
};

TEST_P(Layout, Configuration) {
    kivu::Tkonfigdialog form;
    form.Create();
    std::vector<std::string> faults;
    for (int page = 0; page < form.PageControl1.PageCount(); ++page) {
        form.PageControl1.SetActivePage(page);
        for (const std::string& f : Check(form, "configuration page " + std::to_string(page))) faults.push_back(f);
    }
    EXPECT_TRUE(faults.empty()) << Report(faults);
    form.Hide();
}

TEST_P(Layout, FtpSite) {
    kivu::Tftpsiteform form;
    const auto faults = Check(form, "FTP site");
    EXPECT_TRUE(faults.empty()) << Report(faults);
}

TEST_P(Layout, RenameDialogAndItsNumberInput) {
    kivu::Trenamedialog form;
    auto faults = Check(form, "rename dialog");
    kivu::Tnumber number(form.Edit1, [] {});
    number.Create();
    // As it is shown: the window as large as its knob.
    SetWindowPos(number.Handle(), nullptr, 0, 0, number.Knob1.Width(), number.Knob1.Height(), SWP_NOMOVE | SWP_NOZORDER);
    for (const std::string& f : Check(number, "number input")) faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Report(faults);
    number.Hide();
}

TEST_P(Layout, RenameListShowsTenRows) {
    kivu::Trenamedialog form;
    form.Create();
    form.Show();
    Pump();
    EXPECT_GE(ListView_GetCountPerPage(form.ListView1.Handle()), 10) << "at " << form.Dpi() << " DPI";
}

TEST_P(Layout, Selection) {
    kivu::Tselectform form;
    const auto faults = Check(form, "selection");
    EXPECT_TRUE(faults.empty()) << Report(faults);
}

TEST_P(Layout, Starter) {
    kivu::Tstarterform form;
    const auto faults = Check(form, "starter");
    EXPECT_TRUE(faults.empty()) << Report(faults);
}

TEST_P(Layout, LiveUpdate) {
    kivu::Tdownloadform form;
    const auto faults = Check(form, "live update");
    EXPECT_TRUE(faults.empty()) << Report(faults);
}

TEST_P(Layout, RunProgram) {
    kivu::TEXECForm form;
    const auto faults = Check(form, "run program");
    EXPECT_TRUE(faults.empty()) << Report(faults);
}

INSTANTIATE_TEST_SUITE_P(Languages, Layout, ::testing::Values("English", "German"));

}  // namespace
