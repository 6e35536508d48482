// The program launcher: starts one work item as a process, or through the shell.
#pragma once
#include "launch/CpuSampler.h"
#include "launch/WorkOrder.h"

// Starts one work item as a process, falling back to the shell (never for a
// folder).  Returns true when a process was created.  `program` receives the
// started program's process where the system gives one, the shell's included.
bool StartWorkItem(const WorkItem& item, bool debugPause, FollowedProgram& program);
