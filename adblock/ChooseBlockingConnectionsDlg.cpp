// "Select Blocking": a sorted check list of the connections, all ticked to begin with.
#include "adblock/ChooseBlockingConnectionsDlg.h"
#include "adblock/ProxyConfig.h"
#include "res/resource.h"

INT_PTR ChooseBlockingConnectionsDlg::Run(HWND owner, std::vector<std::string>& chosen)
{
    chosen_.clear();
    const INT_PTR result = DoModal(IDD_SELECT_BLOCKING, owner);
    if (result == IDOK)
        chosen = chosen_;
    return result;
}

bool ChooseBlockingConnectionsDlg::OnInit()
{
    list_.Attach(hwnd_, IDC_SELECT_BLOCKING_LIST);
    std::vector<std::string> names;
    EnumerateConnections(names);
    for (const std::string& name : names)
        list_.Add(name, true);
    return true;
}

void ChooseBlockingConnectionsDlg::OnOK()
{
    chosen_.clear();
    for (int i = 0; i < list_.Count(); ++i) {
        if (list_.Checked(i))
            chosen_.push_back(list_.Text(i));
    }
    End(IDOK);
}

bool ChooseBlockingConnectionsDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (static_cast<int>(wParam) != IDC_SELECT_BLOCKING_LIST)
        return false;
    if (message == WM_MEASUREITEM) {
        result = TRUE;
        return list_.OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    }
    if (message == WM_DRAWITEM) {
        result = TRUE;
        return list_.OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    }
    return false;
}
