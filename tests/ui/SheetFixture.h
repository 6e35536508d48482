// Working a property sheet by its tabs and control ids, from a second thread or another process.
#pragma once
#include "TestSupport.h"
#include "ui/ConfigSheet.h"
#include <commctrl.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace qrtest {

constexpr const char* kSheetCaption = "Quillrest Configuration";

inline HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Shows the page at `index` and returns its window.
inline HWND ShowTab(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return CurrentPage(sheet);
}

inline std::vector<std::string> TabTitles(HWND sheet)
{
    std::vector<std::string> titles;
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[128] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        titles.push_back(text);
    }
    return titles;
}

// The tab titled `title`; -1 when there is none.
inline int TabIndex(HWND sheet, const std::string& title)
{
    const std::vector<std::string> titles = TabTitles(sheet);
    for (size_t i = 0; i < titles.size(); ++i)
        if (titles[i] == title)
            return static_cast<int>(i);
    return -1;
}

// Shows the page with that tab title and returns its window.
inline HWND ShowPage(HWND sheet, const std::string& title)
{
    const int index = TabIndex(sheet, title);
    if (index < 0) {
        ADD_FAILURE() << "no tab " << title;
        return nullptr;
    }
    return ShowTab(sheet, index);
}

inline std::string PageTitle(HWND page)
{
    char title[128] = "";
    GetWindowTextA(page, title, sizeof(title));
    return title;
}

inline std::string ItemText(HWND page, int id)
{
    char text[4096] = "";
    GetDlgItemTextA(page, id, text, sizeof(text));
    return text;
}

// Runs the configuration sheet on this thread while `drive` works it from a
// second one.  True when the sheet appeared; one left open is cancelled.
inline bool RunSheet(const std::function<void(HWND)>& drive)
{
    bool found = false;
    std::thread driver([&] {
        HWND sheet = WaitForWindow(kSheetCaption);
        if (!sheet)
            return;
        found = true;
        drive(sheet);
        // A failed expectation must not leave the sheet open.
        if (!WaitFor([&] { return !IsWindow(sheet); }, kPatienceMs))
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    ShowConfigurationSheet();
    driver.join();
    return found;
}

} // namespace qrtest
