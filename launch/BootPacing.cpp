// The boot window's pacing: the pacer that gates each start (sampled by timer 11) and the boot report.
#include "launch/BootDlg.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "launch/BootPacer.h"
#include "launch/CpuSampler.h"
#include "win/Util.h"
#include <utility>

namespace {
CpuSample SampleNow()
{
    CpuSample sample;
    if (!SampleSystemCpu(sample))
        sample.tick = GetTickCount();
    return sample;
}
} // namespace

void QuillrestDlg::BeginPacing()
{
    const bool settle = ProductDword(kLaunchPacing, 0) == 1;
    CpuSample now;
    const bool sampling = SampleSystemCpu(now);
    if (!sampling) {
        now.tick = GetTickCount();
        if (settle)
            WriteLog("LaunchPacing: GetSystemTimes is not available here, so programs start at the fixed delay");
    }
    DWORD age = 0;
    const long shownMs = ProcessAgeMs(age) ? static_cast<long>(age) : -1;
    pacer_.reset(new BootPacer(settle, sampling, ProcessorCount(), launchDelay_));
    pacer_->WindowShown(now, shownMs);
    WriteLog("Launch pacing: %s, window shown after %ld ms",
             pacer_->SettleMode() ? "start when the computer is quiet" : "fixed delay", shownMs);
    if (sampling)
        StartTimer(kTimerSettle, kSettleSampleMs);
}

bool QuillrestDlg::ItemProgress() const
{
    return pacer_ && pacer_->SettleMode();
}

short QuillrestDlg::ProgressUnit() const
{
    return ItemProgress() ? 1 : launchDelay_;
}

void QuillrestDlg::NoteLaunched(const std::string& name, FollowedProgram program)
{
    if (pacer_)
        pacer_->Started(name, SampleNow(), std::move(program));
}

void QuillrestDlg::NotePhaseEnded()
{
    if (pacer_ && pacer_->PhaseEnded())
        FinishBootReport();
}

void QuillrestDlg::NoteHurryUp()
{
    if (pacer_)
        pacer_->HurryUp();
}

void QuillrestDlg::FinishBootReport()
{
    StopTimer(kTimerSettle);
    if (!pacer_)
        return;
    BootRecord record = pacer_->Record();
    pacer_.reset();
    record.when = win::UnixTimeNow();
    record.policies = ReadPolicyReport().inForce;
    const std::string path = BootReportPath();
    if (AppendBootRecord(path, record))
        WriteLog("Boot report: %u programs, launch phase %ld ms, written to %s",
                 static_cast<unsigned>(record.items.size()), LaunchPhaseMs(record), path.c_str());
    else
        WriteLog("Boot report could not be written to %s", path.c_str());
}
