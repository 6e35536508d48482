// Registry value enumeration whose buffers grow to fit any value.
#include "launch/RegValues.h"
#include <algorithm>

namespace {
constexpr DWORD kInitialBuffer = 2052;
}

LONG EnumRegValue(HKEY key, DWORD index, RegValue& value)
{
    std::vector<char> name(kInitialBuffer);
    value.data.assign(kInitialBuffer, 0);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(value.data.size());
        DWORD type = 0;
        LONG result = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, value.data.data(), &dataSize);
        if (result == ERROR_SUCCESS) {
            value.name.assign(name.data(), std::min<size_t>(nameSize, name.size()));
            value.type = type;
            value.data.resize(std::min<size_t>(dataSize, value.data.size()));
            return result;
        }
        if (result != ERROR_MORE_DATA)
            return result;
        // Either the name or the data did not fit; the key tells the largest of both.
        DWORD maxName = 0;
        DWORD maxData = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                         nullptr, nullptr);
        name.resize(std::max<size_t>(name.size() * 2, static_cast<size_t>(maxName) + 2));
        value.data.resize(std::max<size_t>(value.data.size() * 2, static_cast<size_t>(maxData) + 2));
    }
    return ERROR_MORE_DATA;
}

std::string RegValueText(const RegValue& value)
{
    auto end = std::find(value.data.begin(), value.data.end(), BYTE(0));
    return std::string(value.data.begin(), end);
}
