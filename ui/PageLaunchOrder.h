// "Launch Order": the captured start-up programs in launch order, each with a tick for "launch it".
#pragma once
#include "launch/WorkOrder.h"
#include "win/CheckListBox.h"
#include "win/Dialog.h"
#include <string>
#include <vector>

class PageLaunchOrder : public win::PropertyPage {
public:
    PageLaunchOrder();
    const char* TraceName() const override { return "PageLaunchOrder"; }

protected:
    bool OnInit() override;
    void OnApply() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Fill(const std::vector<WorkItem>& queue, const std::string& ignoreList);
    void ShowDetails();
    void Move(bool earlier);
    void RestoreOriginalOrder();

    win::CheckListBox list_;
    std::string details_ = "<no item selected>";
};
