// The text of the statistics counters.
#include "app/CounterText.h"

std::string CounterValueName(const char* name)
{
    return std::string("Counter - ") + name;
}

long long ParseCounterText(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    // Beyond the 64-bit range the text stands for the nearest end of it, as
    // the C library reads it: any program may have written it.
    const unsigned long long limit = negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull;
    unsigned long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return negative ? static_cast<long long>(0 - value) : static_cast<long long>(value);
}

std::string CounterText(long long value)
{
    char buffer[24];
    char* end = buffer + sizeof(buffer);
    char* p = end;
    unsigned long long magnitude = value < 0 ? 0 - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *--p = '-';
    return std::string(p, end);
}
