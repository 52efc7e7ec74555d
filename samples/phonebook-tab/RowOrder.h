// Sorting and finding the rows: the order of a column, the Find box's
// filter, and the first letters typed in the list. No window code.
#ifndef PHONEBOOK_TAB_ROWORDER_H
#define PHONEBOOK_TAB_ROWORDER_H

#include <string>
#include <vector>

#include "EntryRows.h"

namespace phonebook_tab {

enum Column { kNameColumn, kKindColumn, kAddressColumn, kLoginColumn };

struct SortOrder {
    int column = kNameColumn;
    bool ascending = true;
};

// Every row's index, in the order of the sort column: the phone book's
// entries before Dial-Up Networking's; by another column than the name, rows
// not read yet last, in either direction; equal texts by name.
std::vector<size_t> SortRows(const std::vector<Row>& rows, const SortOrder& order);

// The rows of `order` that the Find box keeps: `typed` in the name or in the
// number or workstation, without regard to case. A row not read yet is found
// by its name only. A row's folded texts are kept in it once made.
std::vector<size_t> FindRows(std::vector<Row>& rows, const std::vector<size_t>& order, const std::string& typed);

// The first of `shown` from `from` on (round to the start) whose name begins
// with `typed` (is `typed`, unless `partial`), as a list that holds its own
// items finds the letters typed in it; -1 for none.
int FindByName(const std::vector<Row>& rows, const std::vector<size_t>& shown, int from, const std::string& typed,
               bool partial);

}  // namespace phonebook_tab

#endif
