// WININIT.INI [rename] entries: the text transform behind delayed deletion on Windows 9x.
#pragma once
#include <string>

// "%s=%s\r\n": the destination ("NUL" for a deletion) and the source, both short paths.
std::string WinInitEntry(const std::string& destination, const std::string& source);

// The file's text with `entry` inserted into its [rename] section: right after
// the section's last line when a blank line follows it, else at the end; a text
// without "rename" first gains "\r\n\r\n[rename]\r\n".
std::string InsertWinInitEntry(const std::string& text, const std::string& entry);

// The file as text: everything up to the first NUL byte (the file ends with one).
std::string WinInitText(const std::string& fileContents);
