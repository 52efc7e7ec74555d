#include "RowOrder.h"

#include <algorithm>

#include "HostText.h"

namespace phonebook_tab {

namespace {

bool Precedes(const std::vector<Row>& rows, const SortOrder& sort, size_t a, size_t b)
{
    const Row& first = rows[a];
    const Row& second = rows[b];
    if (first.dialUp != second.dialUp)
        return !first.dialUp;
    int order = 0;
    if (sort.column != kNameColumn) {
        bool firstUnread = first.state == ReadState::kUnread, secondUnread = second.state == ReadState::kUnread;
        if (firstUnread != secondUnread)
            return secondUnread;
        const std::string Row::*column = sort.column == kKindColumn      ? &Row::kind
                                         : sort.column == kAddressColumn ? &Row::address
                                                                         : &Row::login;
        order = CompareNoCase(first.*column, second.*column);
    }
    if (order == 0)
        order = first.sortKey.compare(second.sortKey);
    if (order == 0)
        return a < b;
    return sort.ascending ? order < 0 : order > 0;
}

}  // namespace

std::vector<size_t> SortRows(const std::vector<Row>& rows, const SortOrder& order)
{
    std::vector<size_t> sorted(rows.size());
    for (size_t i = 0; i < sorted.size(); ++i)
        sorted[i] = i;
    std::sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) { return Precedes(rows, order, a, b); });
    return sorted;
}

std::vector<size_t> FindRows(std::vector<Row>& rows, const std::vector<size_t>& order, const std::string& typed)
{
    if (typed.empty())
        return order;
    std::string folded = FoldCase(typed);
    std::vector<size_t> found;
    for (size_t index : order) {
        Row& row = rows[index];
        if (row.folded.empty())
            row.folded = FoldCase(row.name) + "\n" + FoldCase(row.address);
        if (HoldsText(row.folded, folded))
            found.push_back(index);
    }
    return found;
}

int FindByName(const std::vector<Row>& rows, const std::vector<size_t>& shown, int from, const std::string& typed,
               bool partial)
{
    int count = static_cast<int>(shown.size());
    int start = from >= 0 && from < count ? from : 0;
    for (int step = 0; step < count; ++step) {
        int item = (start + step) % count;
        const std::string& name = rows[shown[item]].name;
        if (name.size() >= typed.size() && CompareNoCase(name.substr(0, typed.size()), typed) == 0 &&
            (partial || name.size() == typed.size()))
            return item;
    }
    return -1;
}

}  // namespace phonebook_tab
