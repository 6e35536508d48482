// The stored name lists "SortingOrder" and "IgnoreForLaunch" and the launch order
// they give.  Any program with rights may write these registry values: no Windows
// header here, so their reader is fuzzed natively.
#pragma once
#include <string>
#include <vector>

// "SortingOrder" and "IgnoreForLaunch" separate their names with this character.
constexpr char kNameListSeparator = '\1';

// The entries of a stored name list: each name ends at the separator; a last
// name without one counts too.
std::vector<std::string> SplitNameList(const std::string& list);

// The launch order of `names` as indexes into it: by first occurrence of the
// lower-cased name in the lower-cased order string (absent names first), then
// by lower-cased name; same names keep their order.  An empty order string
// keeps the order as it is.
std::vector<size_t> LaunchOrder(const std::vector<std::string>& names, const std::string& sortingOrder);
