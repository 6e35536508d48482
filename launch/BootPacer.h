// Pacing of the launch phase and the boot record it leaves; window-free, driven by the boot window.
#pragma once
#include "launch/BootReport.h"
#include "launch/CpuSampler.h"
#include <string>

class BootPacer {
public:
    enum class Step {
        Wait,
        StartNext,    // settle pacing: start the next item (or end the phase) now
        Done,         // the record is complete: write it
    };

    // `settle`: each start waits for the computer to settle, at most
    // `launchDelay` seconds; otherwise the launch timer alone paces.
    // `sampling`: CPU samples come in (else no settle times are measured).
    BootPacer(bool settle, bool sampling, unsigned processors, short launchDelay);

    // The boot window was shown `processAgeMs` after the process started (-1: unknown).
    void WindowShown(const CpuSample& now, long processAgeMs);
    // `program`: the started program, followed until the wait for it is over
    // (without a process the machine alone decides).
    void Started(const std::string& name, const CpuSample& now, FollowedProgram program);
    // "Hurry Up!": the launch timer alone paces from now on.
    void HurryUp() { hurried_ = true; }
    // The launch phase is over; true when the record is complete already.
    bool PhaseEnded();
    // The program whose wait goes on, to be sampled with the machine; null when none.
    FollowedProgram* Following() { return watching_ && program_.process ? &program_ : nullptr; }
    Step Sample(const CpuSample& sample, const ProgramSample* program);

    bool SettleMode() const { return settle_; }
    const BootRecord& Record() const { return record_; }

private:
    bool Gating() const { return settle_ && !hurried_ && !phaseEnded_; }
    void Measured(DWORD settleMs, SettleSignal signal);
    void StopWatching();
    Step Finish();

    bool settle_;
    bool sampling_;
    bool hurried_ = false;
    bool phaseEnded_ = false;
    bool done_ = false;
    SettleRules paceRules_;      // upper bound: the launch delay
    SettleRules firstRules_;     // the same without the floor, which is only between two starts
    SettleRules measureRules_;   // upper bound: the measuring cap
    DWORD originTick_ = 0;       // the process start, in GetTickCount time
    SettleWatch watch_;
    bool watching_ = false;
    FollowedProgram program_;
    BootRecord record_;
};
