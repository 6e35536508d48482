// The text of the statistics counters: signed 64-bit numbers stored as decimal
// text under "Counter - <name>".  No Windows header: any program with rights may
// write these values, and their reader is fuzzed natively.
#pragma once
#include <string>

// "Counter - <name>", the value that holds a counter.
std::string CounterValueName(const char* name);

// Counter text parsing and formatting (leading blanks and sign; stop at the
// first non-digit; no digits give 0).
long long ParseCounterText(const char* text);
std::string CounterText(long long value);
