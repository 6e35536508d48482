// Work items and the pure rules around them: launch ordering, ignore list, log text, link names.
#include "launch/WorkOrder.h"
#include "launch/StartupPlaces.h"
#include "win/Text.h"
#include "win/Util.h"
#include <algorithm>

void SortWorkQueue(std::vector<WorkItem>& queue, const std::string& sortingOrder)
{
    if (sortingOrder.empty())
        return;
    std::vector<std::string> names;
    names.reserve(queue.size());
    for (const WorkItem& item : queue)
        names.push_back(item.Name);
    std::vector<WorkItem> sorted;
    sorted.reserve(queue.size());
    for (size_t index : LaunchOrder(names, sortingOrder))
        sorted.push_back(std::move(queue[index]));
    queue.swap(sorted);
}

void RemoveIgnoredItems(std::vector<WorkItem>& queue, const std::string& ignoreList)
{
    const std::vector<std::string> ignored = SplitNameList(ignoreList);
    if (ignored.empty())
        return;
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [&](const WorkItem& item) {
                                   return std::find(ignored.begin(), ignored.end(), item.Name) != ignored.end();
                               }),
                queue.end());
}

std::vector<std::string> RemoveFlaggedItems(std::vector<WorkItem>& queue, bool WorkItem::*flag)
{
    std::vector<std::string> names;
    for (const WorkItem& item : queue)
        if (item.*flag)
            names.push_back(item.Name);
    queue.erase(std::remove_if(queue.begin(), queue.end(), [flag](const WorkItem& item) { return item.*flag; }),
                queue.end());
    return names;
}

namespace {
const char* const kLineMarks[] = {" (started by Windows)", " (switched off in Windows)", " (32-bit)"};
}

std::string WorkItemLine(const WorkItem& item)
{
    std::string line = item.Name;
    if (item.View & KEY_WOW64_32KEY)
        line += kLineMarks[2];
    if (item.SwitchedOff)
        line += kLineMarks[1];
    if (item.StartedByWindows)
        line += kLineMarks[0];
    return line;
}

std::string WorkItemLineName(const std::vector<WorkItem>& queue, const std::string& line)
{
    for (const WorkItem& item : queue)
        if (WorkItemLine(item) == line)
            return item.Name;
    std::string name = line;
    for (const std::string mark : kLineMarks)
        if (name.size() >= mark.size() && name.compare(name.size() - mark.size(), mark.size(), mark) == 0)
            name.resize(name.size() - mark.size());
    return name;
}

std::string WorkItemText(const WorkItem& item)
{
    return win::Format("WI: N=[%s] P=[%s] Pa=[%s] C=%d S=%d%s", item.Name.c_str(), item.CommandLine.c_str(),
                       item.WorkingDir.c_str(), static_cast<int>(item.ShowCmd), item.Source,
                       ViewText(item.View).c_str());
}

std::string LinkDisplayName(const std::string& path)
{
    // Found in the path itself: lower-casing may change the length of other characters.
    size_t end = win::FindAsciiNoCase(path, ".lnk.Quillrest");
    if (end == std::string::npos)
        end = path.size();
    const size_t slash = win::LastBackslash(path, GetACP(), end);
    if (slash == std::string::npos)
        return path;
    return path.substr(slash + 1, end - slash - 1);
}

std::string QuoteSpaces(const std::string& path)
{
    if (path.find(' ') == std::string::npos)
        return path;
    return "\"" + path + "\"";
}
