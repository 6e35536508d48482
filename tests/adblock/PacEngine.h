// A real PAC engine for the tests: pacparser under Debian's python3, started from Wine.
#pragma once
#include "TestSupport.h"
#include "tools/ToolSupport.h"
#include "update/VendorSite.h"
#include "win/Util.h"
#include <map>
#include <string>
#include <vector>

namespace qrtest {

// FindProxyForURL of the script in `pacPath` for each URL (empty map when the
// engine could not be run).  Wine gives no handle to wait on for a Linux
// program, so the answer comes as a file, awaited with a deadline.
inline std::map<std::string, std::string> EvaluatePac(const std::string& pacPath, const std::vector<std::string>& urls)
{
    const std::string folder = MakeTempFolder("qrpaceval");
    const std::string out = win::PathJoin(folder, "result.txt");
    std::string arguments = "\"" + UnixPath(SourcePath("tests/adblock/pac_eval.py")) + "\" \"" + UnixPath(out) +
                            "\" \"" + UnixPath(pacPath) + "\"";
    for (const std::string& url : urls)
        arguments += " " + url;
    std::map<std::string, std::string> results;
    HANDLE process = StartProcess("Z:\\usr\\bin\\python3", arguments);
    if (process)
        CloseHandle(process);
    if (WaitFor([&] { return win::FileExists(out); }, kPatienceMs)) {
        for (const std::vector<std::string>& fields : qrtool::FileRecords(out, 2))
            results[fields[0]] = fields[1];
    }
    RemoveTree(folder);
    return results;
}

} // namespace qrtest
