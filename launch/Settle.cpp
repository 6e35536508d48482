// When has a started program settled: pure rules over samples of the whole machine
// and of the program itself.
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

bool ProgramQuiet(const ProgramSample& from, const ProgramSample& to, DWORD ms, bool useCpu, bool useIo)
{
    if (!to.inputIdle || ms == 0)
        return false;
    if (useCpu) {
        if (to.cpu < from.cpu || to.threadCpu < from.threadCpu)
            return false;
        // The first thread counts too: Wine 8 answers GetProcessTimes for another
        // process with the caller's own times, while its thread times are right.
        const unsigned long long process = to.cpu - from.cpu;
        const unsigned long long thread = to.threadCpu - from.threadCpu;
        const double used = static_cast<double>(process > thread ? process : thread);
        if (used > static_cast<double>(ms) * 10000.0 * kProgramQuietShare)
            return false;
    }
    if (useIo && (to.ioBytes < from.ioBytes || (to.ioBytes - from.ioBytes) * 1000 > kProgramQuietIoPerSecond * ms))
        return false;
    return true;
}

SettleWatch BeginSettleWatch(const CpuSample& atStart)
{
    SettleWatch watch;
    watch.start = atStart;
    watch.last = atStart;
    return watch;
}

SettleVerdict AddSettleSample(SettleWatch& watch, const CpuSample& sample, const SettleRules& rules,
                              DWORD& settleMs, const ProgramSample* program)
{
    // Unsigned differences stay right when GetTickCount wraps after 49.7 days.
    const DWORD elapsed = sample.tick - watch.start.tick;
    bool programQuiet = true;
    if (program) {
        if (program->exited && !watch.exited) {
            watch.exited = true;
            watch.exitedMs = elapsed;
        }
        if (!watch.following) {
            // The first sample of the program is where its counters start from.
            watch.following = true;
            watch.cpuKnown = program->hasCpu;
            watch.ioKnown = program->hasIo;
            programQuiet = false;
        } else {
            watch.cpuKnown = watch.cpuKnown && program->hasCpu;
            watch.ioKnown = watch.ioKnown && program->hasIo;
            programQuiet = ProgramQuiet(watch.lastProgram, *program, sample.tick - watch.last.tick, watch.cpuKnown,
                                        watch.ioKnown);
        }
        watch.lastProgram = *program;
    }
    const double busy = BusyProcessors(watch.last, sample, rules.processors);
    if (busy >= 0) {
        if (busy > QuietLimit(rules.processors) || !programQuiet) {
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
    if (watch.exited && elapsed >= rules.floorMs) {
        settleMs = watch.exitedMs;
        watch.signal = SettleSignal::Exited;
        return SettleVerdict::Settled;
    }
    if (watch.quiet && elapsed - watch.quietFromMs >= rules.quietMs && elapsed >= rules.floorMs) {
        settleMs = watch.quietFromMs;
        watch.signal = watch.following && watch.cpuKnown ? SettleSignal::WentQuiet : SettleSignal::MachineQuiet;
        return SettleVerdict::Settled;
    }
    if (elapsed >= rules.upperMs) {
        settleMs = elapsed;
        watch.signal = SettleSignal::UpperBound;
        return SettleVerdict::UpperBound;
    }
    return SettleVerdict::Wait;
}
