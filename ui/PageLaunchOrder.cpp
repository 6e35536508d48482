// "Launch Order": the captured start-up programs in launch order, each with a tick for "launch it".
#include "ui/PageLaunchOrder.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "launch/BootRules.h"
#include "launch/WorkQueue.h"
#include "res/resource.h"
#include "ui/SettingsPage.h"
#include "ui/SheetText.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlwapi.h>
#include <vector>

namespace {
const int kDetailsBuffer = 2048;
const int kListTabStop = 100;   // dialog units
} // namespace

PageLaunchOrder::PageLaunchOrder() : PropertyPage(IDD_PAGE_LAUNCH)
{
}

bool PageLaunchOrder::OnInit()
{
    list_.Attach(hwnd_, IDC_LAUNCH_LIST);
    Fill(BuildWorkQueue(false), ProductString(kIgnoreForLaunch));
    int tabStop = kListTabStop;
    SendItem(IDC_LAUNCH_LIST, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    SetItemText(IDC_LAUNCH_DETAILS, details_);
    // The upper bound is the boot window's launch delay, as it will read it.
    SetItemText(IDC_LAUNCH_PACING,
                win::Format("Start each program as soon as the computer is quiet (at most every %d seconds)",
                            LaunchDelayFromSetting(ProductDword(kDelaySeconds, 0))));
    SetChecked(IDC_LAUNCH_PACING, ProductDword(kLaunchPacing, 0) == 1);
    SetChecked(IDC_LAUNCH_NOTIFY, ProductDword(kNotifyNewEntries, 1) != 0);
    ShowManagedControls(*this, {{IDC_LAUNCH_NOTIFY, kNotifyNewEntries}});
    if (SheetReadOnly())
        for (int id : {IDC_LAUNCH_LIST, IDC_LAUNCH_EARLIER, IDC_LAUNCH_LATER, IDC_LAUNCH_RESTORE, IDC_LAUNCH_PACING})
            EnableItem(id, false);
    return PropertyPage::OnInit();
}

void PageLaunchOrder::Fill(const std::vector<WorkItem>& queue, const std::string& ignoreList)
{
    list_.Clear();
    for (const WorkItem& item : queue) {
        // The system's own switch wins: the user changes it where it was set.  An
        // entry Windows starts itself is started whatever the tick says.
        const bool launched =
            item.StartedByWindows || (!item.SwitchedOff && !IsNameListed(item.Name, ignoreList));
        int index = list_.Add(WorkItemLine(item), launched);
        if (item.SwitchedOff || item.StartedByWindows)
            list_.SetEnabled(index, false);
    }
}

bool PageLaunchOrder::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_MEASUREITEM:
        if (!list_.OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return false;
        result = TRUE;
        return true;
    case WM_DRAWITEM:
        if (!list_.OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return false;
        result = TRUE;
        return true;
    default:
        return false;
    }
}

bool PageLaunchOrder::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_LAUNCH_LIST && code == LBN_SELCHANGE) {
        ShowDetails();
        return true;
    }
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_LAUNCH_EARLIER:
            Move(true);
            return true;
        case IDC_LAUNCH_LATER:
            Move(false);
            return true;
        case IDC_LAUNCH_RESTORE:
            RestoreOriginalOrder();
            return true;
        default:
            break;
        }
    }
    return PropertyPage::OnCommand(id, code, control);
}

void PageLaunchOrder::ShowDetails()
{
    int selected = list_.Selection();
    if (selected < 0)
        return;
    const std::string name = list_.Text(selected);
    bool found = false;
    std::string commandLine;
    for (const WorkItem& item : BuildWorkQueue(false)) {
        if (WorkItemLine(item) == name) {    // tells apart one name in two registry views
            commandLine = item.CommandLine;
            found = true;
            break;
        }
    }
    if (!found)
        return;
    // PathCompactPathA takes a path of MAX_PATH characters and gives back at most
    // MAX_PATH bytes (its ellipsis may add three): a longer line keeps its start,
    // cut between two characters, which the compaction then shortens like any other.
    commandLine = win::CutText(WithoutParkedEnding(commandLine), MAX_PATH - 4);
    char buffer[kDetailsBuffer];
    lstrcpynA(buffer, commandLine.c_str(), kDetailsBuffer);
    HWND details = Item(IDC_LAUNCH_DETAILS);
    RECT client = {0, 0, 0, 0};
    GetClientRect(details, &client);
    HDC dc = GetDC(details);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(details, WM_GETFONT, 0, 0)));
        PathCompactPathA(dc, buffer, static_cast<UINT>(client.right > 1 ? client.right - 1 : 1));
        SelectObject(dc, old);
        ReleaseDC(details, dc);
    }
    details_ = buffer;
    SetItemText(IDC_LAUNCH_DETAILS, details_);
}

void PageLaunchOrder::Move(bool earlier)
{
    int selected = list_.Selection();
    if (selected < 0) {
        MessageBoxA(hwnd_,
                    earlier ? "Please select a program to move up in the list and press this button again"
                            : "Please select a program to move down in the list and press this button again",
                    "No Selection", MB_OK);
        return;
    }
    const std::string text = list_.Text(selected);
    const bool checked = list_.Checked(selected);
    const bool enabled = list_.Enabled(selected);
    list_.Delete(selected);
    int at;
    if (earlier)
        at = list_.Insert(selected > 0 ? selected - 1 : 0, text, checked);
    else if (list_.Count() < selected + 1)
        at = list_.Add(text, checked);
    else
        at = list_.Insert(selected + 1, text, checked);
    list_.SetEnabled(at, enabled);
    list_.Select(at);
}

void PageLaunchOrder::RestoreOriginalOrder()
{
    SetProductString(kSortingOrder, "");
    Fill(BuildWorkQueue(false), std::string());
}

void PageLaunchOrder::OnApply()
{
    if (SheetReadOnly())
        return;
    std::vector<LaunchLine> lines;
    const std::string ignoreBefore = ProductString(kIgnoreForLaunch);
    const std::vector<WorkItem> queue = BuildWorkQueue(false);
    for (int i = 0; i < list_.Count(); ++i) {
        LaunchLine line;
        line.name = WorkItemLineName(queue, list_.Text(i));
        // A line switched off in Windows keeps the user's own choice for when it is switched on again.
        line.launched = list_.Enabled(i) ? list_.Checked(i) : !IsNameListed(line.name, ignoreBefore);
        lines.push_back(line);
    }
    std::string order, ignore;
    LaunchOrderStrings(lines, order, ignore);
    SetProductString(kSortingOrder, order);
    SetProductString(kIgnoreForLaunch, ignore);
    SetProductDword(kLaunchPacing, IsChecked(IDC_LAUNCH_PACING) ? 1 : 0);
    if (!FixedByPolicy(kNotifyNewEntries))
        SetProductDword(kNotifyNewEntries, IsChecked(IDC_LAUNCH_NOTIFY) ? 1 : 0);
}
