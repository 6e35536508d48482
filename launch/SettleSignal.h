// What ended the wait for a started program to settle (kept in the boot report too).
#pragma once

// What ended the wait after one start.
enum class SettleSignal {
    None,            // nothing measured
    Exited,          // the program ended
    WentQuiet,       // the program and the machine were quiet for the quiet time
    MachineQuiet,    // the machine was quiet for the quiet time; the program itself could not be followed
    UpperBound,      // the upper bound or the next start came first
};
