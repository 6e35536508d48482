// The version file from the vendor's site, read into a list of actions: no I/O and
// no Windows header here (the file comes over plain HTTP; it is fuzzed natively).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class VersionActionKind {
    Ignore,         // a line with a colon that asks for nothing (still logged)
    NewVersion,     // "Version" names a release other than the running one
    WriteDword,     // "Reg" with data that is exactly the "%u" form of its number
    WriteString,    // "Reg" with any other data
};

struct VersionAction {
    std::string name;     // the line's name and value, trimmed, as logged
    std::string value;
    VersionActionKind kind = VersionActionKind::Ignore;
    std::string setting;  // WriteDword, WriteString: the product value to write
    std::string text;     // WriteString: its data
    uint32_t number = 0;  // WriteDword: its data
};

// One action per line that holds a colon, in file order.  Lines are split at
// LF; name and value are the text before and after the first colon, trimmed of
// CR, LF, blanks and TABs; names and versions compare without regard to case.
std::vector<VersionAction> ParseVersionFile(const std::string& text, const std::string& ownVersion);

// True when `data` is exactly the unsigned decimal form of its own value.
bool IsDwordText(const std::string& data, uint32_t& number);

// The "NewVerMsg" text as shown: each "%%" becomes "%", all else stays as it is.
std::string ExpandDoubledPercents(const std::string& message);

// The message shown when the setting "NewVerMsg" is empty.
std::string BuiltInNewVersionMessage(const std::string& productPage);
// The message shown for a new version: "NewVerMsg" (`custom`, which the version
// file can set) as ExpandDoubledPercents shows it, else the built-in one.  The
// text is never used as a format.
std::string NewVersionMessage(const std::string& custom, const std::string& productPage);

// "major.minor.patch" from a file version's two 32-bit words.
std::string OwnVersionText(uint32_t versionMs, uint32_t versionLs);
