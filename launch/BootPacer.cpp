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

void BootPacer::Started(const std::string& name, const CpuSample& now)
{
    // The previous item had not settled when this one started: what was measured is a lower bound.
    if (watching_ && !record_.items.empty())
        Measured(now.tick - watch_.start.tick, false);
    BootItemRecord item;
    item.name = name;
    item.startMs = static_cast<long>(now.tick - originTick_);
    record_.items.push_back(item);
    record_.lastStartMs = item.startMs;
    watch_ = BeginSettleWatch(now);
    watching_ = sampling_;
}

bool BootPacer::PhaseEnded()
{
    phaseEnded_ = true;
    // The last item keeps being measured until it settles or the cap passes.
    if (watching_ && !record_.items.empty())
        return false;
    return Finish() == Step::Done;
}

BootPacer::Step BootPacer::Sample(const CpuSample& sample)
{
    if (done_ || !watching_)
        return Step::Wait;
    DWORD settleMs = 0;
    const bool gating = Gating();
    const SettleRules& rules = !gating ? measureRules_ : record_.items.empty() ? firstRules_ : paceRules_;
    switch (AddSettleSample(watch_, sample, rules, settleMs)) {
    case SettleVerdict::Settled:
        if (!record_.items.empty())
            Measured(settleMs, true);
        watching_ = false;
        if (gating)
            return Step::StartNext;
        return phaseEnded_ ? Finish() : Step::Wait;
    case SettleVerdict::UpperBound:
        // Pacing: start anyway and keep measuring until the next start says otherwise.
        if (gating)
            return Step::StartNext;
        if (!record_.items.empty())
            Measured(settleMs, false);
        watching_ = false;
        return phaseEnded_ ? Finish() : Step::Wait;
    case SettleVerdict::Wait:
        break;
    }
    return Step::Wait;
}

void BootPacer::Measured(DWORD settleMs, bool settled)
{
    BootItemRecord& item = record_.items.back();
    item.settleMs = static_cast<long>(settleMs > kSettleCapMs ? kSettleCapMs : settleMs);
    item.settled = settled && settleMs <= kSettleCapMs;
}

BootPacer::Step BootPacer::Finish()
{
    done_ = true;
    watching_ = false;
    if (!record_.items.empty() && record_.items.back().settleMs >= 0)
        record_.settledMs = record_.lastStartMs + record_.items.back().settleMs;
    return Step::Done;
}
