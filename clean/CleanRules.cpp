// Pure rules of the cleaners: file-name patterns, fragment age, URL selection and the MSCDEX line edits.
#include "clean/CleanRules.h"

const char* const kMscdexBelowMarker = "REM The line below was commented out by Quillrest.  Don't change THIS line";
const char* const kMscdexAboveMarker = "REM The line above was commented out by Quillrest.  Don't change THIS line";

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "REM " at the start, any case; a shorter line is compared whole and never matches.
bool StartsWithRem(const std::string& line)
{
    return line.size() >= 4 && AsciiUpper(line.substr(0, 4)) == "REM ";
}

} // namespace

std::string AsciiUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsSafeTempName(const std::string& name)
{
    std::string upper = AsciiUpper(name);
    if (!upper.empty() && upper[0] == '~')
        return true;
    size_t dot = upper.rfind('.');
    return dot != std::string::npos && upper.compare(dot, std::string::npos, ".TMP") == 0;
}

std::string WithoutTrailingBackslash(std::string path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

std::string LocalSettingsTempFrom(const std::string& appDataPath)
{
    size_t at = appDataPath.find("Application Data");
    if (at == std::string::npos)
        return "C:\\TEMP";
    return appDataPath.substr(0, at) + "Local Settings\\Temp";
}

bool IsFragmentDirName(const std::string& name)
{
    return name.size() == 9 && name.compare(0, 5, "FOUND") == 0 && IsDigit(name[6]) && IsDigit(name[7]) &&
           IsDigit(name[8]);
}

bool IsFragmentFileName(const std::string& name)
{
    if (name.size() != 12 || name.find("FILE") == std::string::npos || name.find(".CHK") == std::string::npos)
        return false;
    for (size_t i = 4; i < 8; ++i)
        if (!IsDigit(name[i]))
            return false;
    return true;
}

int64_t FragmentAgeDays(int64_t now, int64_t lastWrite)
{
    return (now - lastWrite) / 10 / 1000 / 1000 / 60 / 60 / 24;
}

bool IsUrlSelected(const std::string& url, const std::string& pattern)
{
    if (pattern == "*")
        return true;
    std::string upperPattern = AsciiUpper(pattern);
    return AsciiUpper(url).compare(0, upperPattern.size(), upperPattern) == 0;
}

bool IsUrlExcluded(const std::string& url, const char* exclusion1, const char* exclusion2)
{
    std::string upper = AsciiUpper(url);
    for (const char* exclusion : {exclusion1, exclusion2})
        if (exclusion && upper.find(AsciiUpper(exclusion)) != std::string::npos)
            return true;
    return false;
}

bool IsActiveMscdexLine(const std::string& line)
{
    return AsciiUpper(line).find("MSCDEX") != std::string::npos && !StartsWithRem(line);
}

bool HasActiveMscdexLine(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        if (IsActiveMscdexLine(line))
            return true;
    return false;
}

std::vector<std::string> CommentOutMscdex(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    out.reserve(lines.size() + 2);
    for (const std::string& line : lines) {
        if (IsActiveMscdexLine(line)) {
            out.push_back(kMscdexBelowMarker);
            out.push_back("REM " + line);
            out.push_back(kMscdexAboveMarker);
        } else {
            out.push_back(line);
        }
    }
    return out;
}

std::vector<std::string> RestoreMscdex(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    out.reserve(lines.size());
    bool inside = false;
    for (const std::string& line : lines) {
        if (line.find(kMscdexBelowMarker) != std::string::npos) {
            inside = true;
        } else if (line.find(kMscdexAboveMarker) != std::string::npos) {
            inside = false;
        } else {
            out.push_back(inside && StartsWithRem(line) ? line.substr(4) : line);
        }
    }
    return out;
}

std::vector<std::string> SplitTextLines(const std::string& contents)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < contents.size(); ++i) {
        char c = contents[i];
        if (c == '\x1A')
            break;
        if (c == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n')
            continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string JoinTextLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}
