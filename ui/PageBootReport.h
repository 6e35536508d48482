// "Boot Report": how the last log-ons went, from the boot report file.
#pragma once
#include "launch/BootReport.h"
#include "win/Dialog.h"
#include <vector>

class PageBootReport : public win::PropertyPage {
public:
    PageBootReport();
    const char* TraceName() const override { return "PageBootReport"; }

protected:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DrawChart(const DRAWITEMSTRUCT& draw) const;
    void DrawTrend(const DRAWITEMSTRUCT& draw) const;

    std::vector<BootRecord> boots_;
};
