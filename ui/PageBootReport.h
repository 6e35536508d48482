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
    // Draw inside `area`, the panel of the control's picture.
    void DrawChart(HDC dc, const RECT& area) const;
    void DrawTrend(HDC dc, const RECT& area) const;

    std::vector<BootRecord> boots_;
};
