// The proxy auto-configuration script of one connection, built from the ad-server
// list and the connection's earlier settings: pure text work, no system calls and
// no Windows header (the list comes from the network; it is fuzzed natively).
#pragma once
#include "adblock/ConnectionProxyConfig.h"
#include <string>
#include <vector>

constexpr const char* kAdServerListFileName = "QuillrestAdServerList.txt";
constexpr const char* kPacFilePrefix = "QuillrestAdBlocker";
constexpr const char* kPacServerAddress = "http://127.0.0.1";
constexpr const char* kEarlierPacTempName = "~qrpac.tmp";

// The list's lines in file order: pieces between runs of CR and LF.
std::vector<std::string> SplitAdServerList(const std::string& listText);
// An entry the script may hold: letters, digits, "-" and "." after an optional
// leading "+".  The list comes from the network and each entry is pasted into a
// script the browser runs, so nothing else gets in.
bool IsValidAdServerEntry(const std::string& entry);

// The list's entries in file order, each "name" (the hosts below name) or
// "+name" (name itself).  Two formats may be mixed: a line of today's format is
// one entry as it stands; a hosts-file line ("0.0.0.0 name" or "127.0.0.1 name",
// blanks or TABs between) blocks exactly its names, so each gives "name" and
// "+name".  A "#" starts a comment; the hosts file's own names (localhost and
// the like) are dropped; lines that give no valid entry go to `rejected`.
std::vector<std::string> ReadAdServerList(const std::string& listText, std::vector<std::string>* rejected);
size_t CountValidAdServerEntries(const std::string& listText);

// Up to this many entries the script tests each with its own shExpMatch term
// (the text every version wrote); above it, one lookup per parent domain of the
// host in an object keyed by name, whose cost does not grow with the list.
constexpr size_t kMaxConditionEntries = 1000;
enum class PacForm { Conditions, Lookup };
// The form the product writes for these entries.
PacForm PacFormFor(const std::vector<std::string>& entries);

std::string PacFileName(const std::string& sanitizedName);                      // QuillrestAdBlocker_<name>.pac
std::string PacFileURL(const std::string& sanitizedName, unsigned short port);   // http://127.0.0.1:<port>/<file>
std::string ProxyAddress(unsigned short port);                                  // 127.0.0.1:<port>

// Renames every FindProxyForURL of an earlier script (also inside longer names)
// to IndirectFindProxyForURL; false when the text has none.
bool RewriteEarlierScript(const std::string& text, std::string& rewritten);
// `text` as it may stand between the double quotes of a script's string:
// backslash, quote, control and line-separator characters escaped.
std::string ScriptStringText(const std::string& text);
// What the script does with hosts that are not on the list.
std::string PacElseBranch(const ConnectionProxyConfig& earlier, bool indirect);

// The script: listed hosts go to our proxy on `port`; the others through the
// rewritten earlier script when `indirectScript` is given, else the earlier proxy,
// else DIRECT.  Entries that are not valid are left out and added to `rejected`.
// The form follows the number of entries (PacFormFor).
std::string BuildPacScript(const std::string& listText, const ConnectionProxyConfig& earlier, unsigned short port,
                           const std::string* indirectScript, std::vector<std::string>* rejected);
// The same from entries of ReadAdServerList, in the given form.
std::string BuildPacScript(const std::vector<std::string>& entries, PacForm form, const ConnectionProxyConfig& earlier,
                           unsigned short port, const std::string* indirectScript);
