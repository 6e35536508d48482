// The counters' decimal text ("Counter - %s" values any program may write): read
// as the C library reads a signed 64-bit decimal, and written so it reads back.
#include "FuzzSupport.h"
#include "app/CounterText.h"
#include <cerrno>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The registry gives the text up to its first NUL.
    const std::string text = fuzz::Text(data, size).c_str();
    const long long value = ParseCounterText(text.c_str());
    fuzz::Check(value == std::strtoll(text.c_str(), nullptr, 10), "read as strtoll reads it", text);
    fuzz::Check(ParseCounterText(CounterText(value).c_str()) == value, "written text reads back", text);
    fuzz::Check(CounterText(value) == std::to_string(value), "written as plain decimal", text);

    long long raw = 0;
    for (size_t i = 0; i < size && i < sizeof(raw); ++i)
        raw = static_cast<long long>(static_cast<unsigned long long>(raw) << 8 | data[i]);
    fuzz::Check(ParseCounterText(CounterText(raw).c_str()) == raw, "any number reads back", std::to_string(raw));
    fuzz::Check(CounterValueName(text.c_str()) == "Counter - " + text, "the value's name", text);
    return 0;
}
