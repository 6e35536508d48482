// "Boot Report": how the last log-ons went, from the boot report file.
#include "ui/PageBootReport.h"
#include "launch/Settle.h"
#include "res/resource.h"
#include "win/Dpi.h"
#include "win/Util.h"
#include <algorithm>

namespace {

const COLORREF kBarColour = RGB(70, 120, 200);
const COLORREF kSlowestColour = RGB(230, 120, 20);
const COLORREF kTrendColour = RGB(70, 120, 200);

// Selects a GDI object for the life of the scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

void Fill(HDC dc, const RECT& rect, COLORREF colour)
{
    win::UniqueGdi brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
}

void Text(HDC dc, const std::string& text, RECT rect, UINT format, COLORREF colour)
{
    SetTextColor(dc, colour);
    win::DrawCodePageText(dc, text, rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

// White panel with a thin frame; returns the area inside it.
RECT Panel(HDC dc, const RECT& outer)
{
    Fill(dc, outer, GetSysColor(COLOR_WINDOW));
    win::UniqueGdi frame(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    FrameRect(dc, &outer, static_cast<HBRUSH>(frame.Get()));
    RECT inner = outer;
    InflateRect(&inner, -win::Scaled(4), -win::Scaled(3));
    return inner;
}

int TextHeight(HDC dc)
{
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight;
}

// The settle time and, where the report has it, what ended the wait: "1.2 s, went quiet".
std::string BarLabel(const BootItemRecord& item)
{
    if (item.settleMs < 0)
        return "not measured";
    const std::string time = item.settled ? SecondsText(item.settleMs) : "over " + SecondsText(item.settleMs);
    const std::string signal = SettleSignalText(item.signal);
    return signal.empty() ? time : time + ", " + signal;
}

// Room for the widest label a bar can have.
SIZE BarLabelSize(HDC dc)
{
    SIZE widest = {0, 0};
    for (SettleSignal signal : {SettleSignal::None, SettleSignal::Exited, SettleSignal::WentQuiet,
                                SettleSignal::MachineQuiet, SettleSignal::UpperBound}) {
        BootItemRecord item;
        item.settleMs = kSettleCapMs;
        item.settled = signal != SettleSignal::UpperBound;
        item.signal = signal;
        const std::string label = BarLabel(item);
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &size);
        widest.cx = std::max(widest.cx, size.cx);
        widest.cy = std::max(widest.cy, size.cy);
    }
    return widest;
}

} // namespace

PageBootReport::PageBootReport() : PropertyPage(IDD_PAGE_BOOTREPORT)
{
}

bool PageBootReport::OnInit()
{
    LoadBootReport(BootReportPath(), boots_);
    SetItemText(IDC_BOOTREPORT_SUMMARY, DescribeBoots(boots_));
    return PropertyPage::OnInit();
}

bool PageBootReport::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return false;
    const DRAWITEMSTRUCT& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw.CtlID != IDC_BOOTREPORT_CHART && draw.CtlID != IDC_BOOTREPORT_TREND)
        return false;
    // Both pictures: the page's font, text without a background, on a white panel.
    HDC dc = draw.hDC;
    Selected font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    const RECT area = Panel(dc, draw.rcItem);
    if (draw.CtlID == IDC_BOOTREPORT_CHART)
        DrawChart(dc, area);
    else
        DrawTrend(dc, area);
    result = TRUE;
    return true;
}

void PageBootReport::DrawChart(HDC dc, const RECT& area) const
{
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    if (boots_.empty() || boots_.back().items.empty()) {
        Text(dc, boots_.empty() ? "No log-on recorded yet" : "No programs were started at the last log-on", area,
             DT_CENTER | DT_VCENTER, grey);
        return;
    }
    const BootRecord& boot = boots_.back();
    const int slowest = SlowestItem(boot);
    const int lineHeight = TextHeight(dc);
    const int height = area.bottom - area.top;
    const int count = static_cast<int>(boot.items.size());
    // Rows as tall as fits, between one text line and two; what does not fit is counted.
    int rowHeight = std::min(lineHeight * 2, std::max(lineHeight + win::Scaled(2), height / count));
    int rows = std::min(count, height / rowHeight);
    if (rows < count)
        --rows;
    long longest = 1000;
    for (const BootItemRecord& item : boot.items)
        longest = std::max(longest, item.settleMs);

    const int width = area.right - area.left;
    const int nameWidth = width * 36 / 100;
    const SIZE labelSize = BarLabelSize(dc);
    const int barLeft = area.left + nameWidth + win::Scaled(6);
    const int barSpace =
        std::max(win::Scaled(10), static_cast<int>(area.right - barLeft - labelSize.cx - win::Scaled(4)));
    for (int i = 0; i < rows; ++i) {
        const BootItemRecord& item = boot.items[static_cast<size_t>(i)];
        const int top = area.top + i * rowHeight;
        const bool isSlowest = i == slowest;
        RECT name = {area.left, top, area.left + nameWidth, top + rowHeight};
        Text(dc, item.name.empty() ? "(unnamed)" : item.name, name, DT_RIGHT | DT_VCENTER | DT_END_ELLIPSIS, ink);
        int length = 0;
        if (item.settleMs > 0)
            length = std::max(win::Scaled(2),
                              static_cast<int>(static_cast<long long>(barSpace) * item.settleMs / longest));
        const int barInset = rowHeight > lineHeight + win::Scaled(4) ? rowHeight / 5 : win::Scaled(1);
        RECT bar = {barLeft, top + barInset, barLeft + length, top + rowHeight - barInset};
        if (length > 0)
            Fill(dc, bar, isSlowest ? kSlowestColour : kBarColour);
        RECT label = {barLeft + length + win::Scaled(4), top, area.right, top + rowHeight};
        Text(dc, BarLabel(item), label, DT_LEFT | DT_VCENTER, isSlowest ? ink : grey);
    }
    if (rows < count) {
        RECT more = {area.left, area.top + rows * rowHeight, area.right, area.top + (rows + 1) * rowHeight};
        Text(dc, win::Format("... and %d more", count - rows), more, DT_CENTER | DT_VCENTER, grey);
    }
}

void PageBootReport::DrawTrend(HDC dc, const RECT& area) const
{
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    std::vector<long> phases;
    for (const BootRecord& boot : boots_)
        if (LaunchPhaseMs(boot) >= 0)
            phases.push_back(LaunchPhaseMs(boot));
    if (phases.empty()) {
        Text(dc, "No log-on recorded yet", area, DT_CENTER | DT_VCENTER, grey);
        return;
    }
    const long longest = std::max(1000L, *std::max_element(phases.begin(), phases.end()));
    SIZE labelSize = {0, 0};
    GetTextExtentPoint32A(dc, "00.0 s", 6, &labelSize);
    RECT top = {area.left, area.top, area.left + labelSize.cx, area.bottom};
    Text(dc, SecondsText(longest), top, DT_LEFT | DT_TOP, grey);
    Text(dc, "0 s", top, DT_LEFT | DT_BOTTOM, grey);
    const int left = area.left + labelSize.cx + win::Scaled(6);
    const int right = area.right - win::Scaled(3);
    const int upper = area.top + win::Scaled(3);
    const int lower = area.bottom - win::Scaled(3);
    std::vector<POINT> points;
    const size_t slots = std::max<size_t>(kBootReportKeep, phases.size()) - 1;
    for (size_t i = 0; i < phases.size(); ++i) {
        POINT point;
        point.x = left + static_cast<LONG>(static_cast<long long>(right - left) * static_cast<long long>(i) /
                                           static_cast<long long>(slots ? slots : 1));
        point.y = lower - static_cast<LONG>(static_cast<long long>(lower - upper) * phases[i] / longest);
        points.push_back(point);
    }
    win::UniqueGdi axisPen(CreatePen(PS_SOLID, win::Scaled(1), GetSysColor(COLOR_BTNFACE)));
    {
        Selected pen(dc, axisPen.Get());
        MoveToEx(dc, left, lower, nullptr);
        LineTo(dc, right, lower);
    }
    win::UniqueGdi linePen(CreatePen(PS_SOLID, win::Scaled(2), kTrendColour));
    Selected pen(dc, linePen.Get());
    if (points.size() > 1)
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        const int radius = win::Scaled(i + 1 == points.size() ? 3 : 2);
        RECT dot = {points[i].x - radius, points[i].y - radius, points[i].x + radius + 1, points[i].y + radius + 1};
        Fill(dc, dot, i + 1 == points.size() ? kSlowestColour : kTrendColour);
    }
}
