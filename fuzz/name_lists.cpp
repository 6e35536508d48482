// "SortingOrder" and "IgnoreForLaunch" (registry values any program with rights
// may write): the names read back as stored, and the launch order is an order of
// the items, unlisted ones first, equal names in their own order.
// Input: the order value; after a NUL, the items' names as a list of the same form.
#include "FuzzSupport.h"
#include "launch/NameList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::UseCodePageFor(size);
    const std::string input = fuzz::Text(data, size);
    const size_t nul = input.find('\0');
    const std::string order = input.substr(0, nul);
    const std::vector<std::string> listed = SplitNameList(order);
    std::string joined;
    for (const std::string& name : listed) {
        fuzz::Check(name.find(kNameListSeparator) == std::string::npos, "a name holds no separator", order);
        joined += name + kNameListSeparator;
    }
    const bool closed = order.empty() || order.back() == kNameListSeparator;
    fuzz::Check(joined == (closed ? order : order + kNameListSeparator), "the names are the list as stored", order);

    // The items: the list's own names backwards, or those after the NUL.
    const std::vector<std::string> names =
        nul == std::string::npos ? std::vector<std::string>(listed.rbegin(), listed.rend())
                                 : SplitNameList(input.substr(nul + 1));
    const std::vector<size_t> launch = LaunchOrder(names, order);
    fuzz::Check(launch == LaunchOrder(names, order), "deterministic", input);
    fuzz::Check(launch.size() == names.size(), "every item is launched", input);
    std::vector<bool> seen(names.size());
    const std::string lowerOrder = win::ToLower(order);
    bool listedSeen = false;
    for (size_t position = 0; position < launch.size(); ++position) {
        const size_t index = launch[position];
        fuzz::Check(index < names.size() && !seen[index], "each item once", input);
        seen[index] = true;
        const bool named = fuzz::Has(lowerOrder, win::ToLower(names[index]));
        fuzz::Check(order.empty() || named || !listedSeen, "items the order does not name come first", input);
        listedSeen = listedSeen || named;
        for (size_t later = position + 1; later < launch.size(); ++later)
            fuzz::Check(names[launch[later]] != names[index] || launch[later] > index, "equal names keep their order",
                        input);
    }
    return 0;
}
