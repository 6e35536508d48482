// Pacing of the launch phase and the boot record it leaves; window-free, driven by the boot window.
#include "launch/BootPacer.h"

BootPacer::BootPacer(bool settle, bool sampling, unsigned processors, short launchDelay)
    : settle_(settle && sampling),
      sampling_(sampling),
      paceRules_(MakeSettleRules(processors, static_cast<DWORD>(launchDelay > 0 ? launchDelay : 1) * 1000)),
      measureRules_(MakeSettleRules(processors, kSettleCapMs))
{
    firstRules_ = paceRules_;
    firstRules_.floorMs = 0;
    record_.pacing = settle_ ? 1 : 0;
}

void BootPacer::WindowShown(const CpuSample& now, long processAgeMs)
{
    record_.windowShownMs = processAgeMs;
    originTick_ = now.tick - static_cast<DWORD>(processAgeMs > 0 ? processAgeMs : 0);
    // With settle pacing the first start, too, waits for the desktop to settle.
    watch_ = BeginSettleWatch(now);
    watching_ = Gating();
}

void BootPacer::Started(const std::string& name, const CpuSample& now, FollowedProgram program)
{
    // The previous item had not settled when this one started: what was measured is a lower bound.
    if (watching_ && !record_.items.empty())
        Measured(now.tick - watch_.start.tick, SettleSignal::UpperBound);
    BootItemRecord item;
    item.name = name;
    item.startMs = static_cast<long>(now.tick - originTick_);
    record_.items.push_back(item);
    record_.lastStartMs = item.startMs;
    watch_ = BeginSettleWatch(now);
    watching_ = sampling_;
    // Without samples nothing waits for the program: its handles close here.
    program_ = watching_ ? std::move(program) : FollowedProgram();
}

bool BootPacer::PhaseEnded()
{
    phaseEnded_ = true;
    // The last item keeps being measured until it settles or the cap passes.
    if (watching_ && !record_.items.empty())
        return false;
    return Finish() == Step::Done;
}

BootPacer::Step BootPacer::Sample(const CpuSample& sample, const ProgramSample* program)
{
    if (done_ || !watching_)
        return Step::Wait;
    DWORD settleMs = 0;
    const bool gating = Gating();
    const SettleRules& rules = !gating ? measureRules_ : record_.items.empty() ? firstRules_ : paceRules_;
    switch (AddSettleSample(watch_, sample, rules, settleMs, program)) {
    case SettleVerdict::Settled:
        if (!record_.items.empty())
            Measured(settleMs, watch_.signal);
        StopWatching();
        if (gating)
            return Step::StartNext;
        return phaseEnded_ ? Finish() : Step::Wait;
    case SettleVerdict::UpperBound:
        // Pacing: start anyway and keep measuring until the next start says otherwise.
        if (gating)
            return Step::StartNext;
        if (!record_.items.empty())
            Measured(settleMs, SettleSignal::UpperBound);
        StopWatching();
        return phaseEnded_ ? Finish() : Step::Wait;
    case SettleVerdict::Wait:
        break;
    }
    return Step::Wait;
}

void BootPacer::Measured(DWORD settleMs, SettleSignal signal)
{
    BootItemRecord& item = record_.items.back();
    item.settleMs = static_cast<long>(settleMs > kSettleCapMs ? kSettleCapMs : settleMs);
    item.settled = signal != SettleSignal::UpperBound && settleMs <= kSettleCapMs;
    item.signal = item.settled ? signal : SettleSignal::UpperBound;
}

void BootPacer::StopWatching()
{
    watching_ = false;
    // The wait for this program is over: let go of its process.
    program_ = FollowedProgram();
}

BootPacer::Step BootPacer::Finish()
{
    done_ = true;
    StopWatching();
    if (!record_.items.empty() && record_.items.back().settleMs >= 0)
        record_.settledMs = record_.lastStartMs + record_.items.back().settleMs;
    return Step::Done;
}
