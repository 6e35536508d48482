// When has the computer settled after a program start: pure rules over system-wide CPU samples.
#include "launch/Settle.h"

SettleRules MakeSettleRules(unsigned processors, DWORD upperMs)
{
    SettleRules rules;
    rules.processors = processors ? processors : 1;
    rules.upperMs = upperMs;
    if (rules.floorMs > upperMs)
        rules.floorMs = upperMs;
    return rules;
}

double BusyProcessors(const CpuSample& from, const CpuSample& to, unsigned processors)
{
    if (to.idle < from.idle || to.kernel < from.kernel || to.user < from.user)
        return -1;
    const unsigned long long total = (to.kernel - from.kernel) + (to.user - from.user);
    const unsigned long long idle = to.idle - from.idle;
    if (total == 0)
        return -1;
    const double idleShare = idle >= total ? 1.0 : static_cast<double>(idle) / static_cast<double>(total);
    return (1.0 - idleShare) * static_cast<double>(processors ? processors : 1);
}

double QuietLimit(unsigned processors)
{
    const double quarter = static_cast<double>(processors) / 4.0;
    return quarter > 0.5 ? quarter : 0.5;
}

SettleWatch BeginSettleWatch(const CpuSample& atStart)
{
    SettleWatch watch;
    watch.start = atStart;
    watch.last = atStart;
    return watch;
}

SettleVerdict AddSettleSample(SettleWatch& watch, const CpuSample& sample, const SettleRules& rules,
                              DWORD& settleMs)
{
    // Unsigned differences stay right when GetTickCount wraps after 49.7 days.
    const DWORD elapsed = sample.tick - watch.start.tick;
    const double busy = BusyProcessors(watch.last, sample, rules.processors);
    if (busy >= 0) {
        if (busy > QuietLimit(rules.processors)) {
            watch.quiet = false;
        } else if (!watch.quiet) {
            watch.quiet = true;
            watch.quietFromMs = watch.last.tick - watch.start.tick;
        }
        watch.last = sample;
    } else if (sample.tick != watch.last.tick) {
        // Counters that went backwards say nothing about the interval: begin afresh from here.
        watch.quiet = false;
        watch.last = sample;
    }
    if (watch.quiet && elapsed - watch.quietFromMs >= rules.quietMs && elapsed >= rules.floorMs) {
        settleMs = watch.quietFromMs;
        return SettleVerdict::Settled;
    }
    if (elapsed >= rules.upperMs) {
        settleMs = elapsed;
        return SettleVerdict::UpperBound;
    }
    return SettleVerdict::Wait;
}
