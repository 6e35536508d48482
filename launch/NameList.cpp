// The stored name lists and the launch order they give.
#include "launch/NameList.h"
#include "win/Bytes.h"
#include <algorithm>

std::vector<std::string> SplitNameList(const std::string& list)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(kNameListSeparator, start);
        if (end == std::string::npos) {
            names.push_back(list.substr(start));
            break;
        }
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

namespace {
struct SortKey {
    long long position;    // -1 when the name is not in the order string
    std::string lowerName;
    size_t index;
};
} // namespace

std::vector<size_t> LaunchOrder(const std::vector<std::string>& names, const std::string& sortingOrder)
{
    std::vector<size_t> order;
    if (sortingOrder.empty()) {
        for (size_t i = 0; i < names.size(); ++i)
            order.push_back(i);
        return order;
    }
    const std::string lowerOrder = win::ToLower(sortingOrder);
    // Keys are computed once per name: the comparison itself stays cheap.
    std::vector<SortKey> keys;
    keys.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        std::string lowerName = win::ToLower(names[i]);
        const size_t found = lowerOrder.find(lowerName);
        keys.push_back({found == std::string::npos ? -1 : static_cast<long long>(found), std::move(lowerName), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
        if (a.position != b.position)
            return a.position < b.position;
        return a.lowerName.compare(b.lowerName) < 0;
    });
    for (const SortKey& key : keys)
        order.push_back(key.index);
    return order;
}
