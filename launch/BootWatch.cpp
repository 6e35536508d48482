// The boot window's watch of the start-up places once the launch phase is over.
#include "launch/BootDlg.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "install/System.h"
#include "launch/StartupWatch.h"
#include "ui/NewEntryNotice.h"
#include "win/Util.h"

namespace {
// Installers write several values in a row: the capture waits for a quiet spell.
constexpr UINT kBurstSettleMs = 2000;
// A place that keeps changing is captured anyway this long after its first change.
constexpr DWORD kLongestBurstMs = 10000;
constexpr UINT kPollMs = 60000;
} // namespace

void QuillrestDlg::StartWatch()
{
    if (watch_)
        return;
    Traced("QuillrestDlg::StartWatch", [&] {
        watchPlaces_ = WatchedPlaces(IsAdministrator(), Is64BitWindows(), Is9x());
        watch_.reset(new StartupWatch);
        watch_->Start(hwnd_, kStartupPlaceChanged, watchPlaces_);
        if (watch_->RegistryUnwatched()) {
            WriteLog("Looking at the Run keys once a minute");
            StartTimer(kTimerWatchPoll, kPollMs);
        }
    });
}

void QuillrestDlg::StopWatch()
{
    StopTimer(kTimerWatch);
    StopTimer(kTimerWatchPoll);
    watch_.reset();    // ends the thread and waits for it
    if (notice_ && notice_->IsOpen())
        notice_->Destroy();
    notice_.reset();
}

void QuillrestDlg::OnStartupPlaceChanged(size_t index)
{
    if (index >= watchPlaces_.size())
        return;
    WriteLog("Start-up place changed: %s", WatchPlaceText(watchPlaces_[index]).c_str());
    const DWORD now = GetTickCount();
    if (changedPlaces_.empty())
        burstStart_ = now;
    // Every change of a burst puts the capture off again, up to a limit.
    if (now - burstStart_ < kLongestBurstMs)
        StartTimer(kTimerWatch, kBurstSettleMs);
    changedPlaces_.insert(index);
}

void QuillrestDlg::TimerWatch()
{
    StopTimer(kTimerWatch);
    std::set<size_t> changed;
    changed.swap(changedPlaces_);
    CaptureChangedPlaces(changed);
}

void QuillrestDlg::TimerWatchPoll()
{
    std::set<size_t> registry;
    for (size_t index = 0; index < watchPlaces_.size(); ++index)
        if (!watchPlaces_[index].IsFolder())
            registry.insert(index);
    CaptureChangedPlaces(registry);
}

void QuillrestDlg::CaptureChangedPlaces(const std::set<size_t>& places)
{
    Traced("QuillrestDlg::CaptureChangedPlaces", [&] {
        std::vector<std::pair<std::string, ParkedEntry>> parked;
        for (size_t index : places)
            for (const ParkedEntry& entry : CapturePlace(watchPlaces_[index]))
                parked.emplace_back(WatchPlaceText(watchPlaces_[index]), entry);
        // Read after the capture, so the switch as it stood when an entry was parked decides.
        const bool noticesOn = ProductDword(kNotifyNewEntries, 1) != 0;
        std::vector<std::string> news;
        for (const auto& placed : parked) {
            const ParkedEntry& entry = placed.second;
            const ParkNews verdict = NewsOfParkedEntry(entry, announced_, noticesOn);
            WriteLog("%s", ParkNewsLogLine(entry.name, placed.first, verdict).c_str());
            if (verdict == ParkNews::Announce) {
                news.push_back(entry.name);
                announced_.insert(win::ToLower(entry.name));
            }
        }
        if (!news.empty())
            ShowNewEntryNotice(news);
    });
}

void QuillrestDlg::ShowNewEntryNotice(const std::vector<std::string>& names)
{
    // One notice at a time: a later burst joins the open one.
    if (notice_ && notice_->IsOpen()) {
        notice_->AddNames(names);
        return;
    }
    notice_.reset(new NewEntryNoticeDlg);
    if (!notice_->Open(names))
        WriteLog("Unable to show the new start-up program notice. GLE=%d", static_cast<int>(GetLastError()));
}
