// System-wide processor use and the process's age, for pacing and the boot report.
#pragma once
#include "launch/Settle.h"

// Takes a sample with GetSystemTimes, looked up at run time: Windows 95 to 2000
// lack it, and there this returns false.
bool SampleSystemCpu(CpuSample& sample);

// Processors the system schedules on (at least 1).
unsigned ProcessorCount();

// Milliseconds since this process was created; false where the system can't
// tell (Windows 9x has no process times).
bool ProcessAgeMs(DWORD& ms);
