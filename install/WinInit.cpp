// WININIT.INI [rename] entries: the text transform behind delayed deletion on Windows 9x.
#include "install/WinInit.h"

std::string WinInitEntry(const std::string& destination, const std::string& source)
{
    return destination + "=" + source + "\r\n";
}

std::string InsertWinInitEntry(const std::string& text, const std::string& entry)
{
    std::string result = text;
    // Case-sensitive on purpose: Windows writes the section name in lower case.
    size_t section = result.find("rename");
    if (section == std::string::npos) {
        result += "\r\n\r\n[rename]\r\n";
        section = result.find("rename");
    }
    size_t blank = result.find("\r\n\r\n", section);
    size_t insertAt = blank == std::string::npos ? result.size() : blank + 2;
    result.insert(insertAt, entry);
    return result;
}

std::string WinInitText(const std::string& fileContents)
{
    size_t end = fileContents.find('\0');
    return end == std::string::npos ? fileContents : fileContents.substr(0, end);
}
