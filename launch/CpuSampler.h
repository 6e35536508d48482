// Processor use of the whole machine and of a started program, and the process's
// own age, for pacing and the boot report.
#pragma once
#include "launch/Settle.h"
#include "win/Raii.h"

// Takes a sample with GetSystemTimes, looked up at run time: Windows 95 to 2000
// lack it, and there this returns false.
bool SampleSystemCpu(CpuSample& sample);

// Processors the system schedules on (at least 1).
unsigned ProcessorCount();

// Milliseconds since this process was created; false where the system can't
// tell (Windows 9x has no process times).
bool ProcessAgeMs(DWORD& ms);

// A program the launcher started, followed until the wait for it is over; its
// handles close with it.
struct FollowedProgram {
    win::UniqueHandle process;
    win::UniqueHandle thread;    // its first thread, when the launcher created the process itself
    bool inputIdle = false;      // WaitForInputIdle has returned once (it never waits again)
};

// One look at a followed program: whether it ended or waits for input, and its
// processor time and I/O where the system tells them.
void SampleProgram(FollowedProgram& program, ProgramSample& sample);
