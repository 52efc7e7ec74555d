// The texts the list and the details show of an entry that has been read
// into a phone book object. They run on a reader thread as well as on the
// window's: nothing here touches a window.
#ifndef PHONEBOOK_TAB_DETAILSTEXT_H
#define PHONEBOOK_TAB_DETAILSTEXT_H

#include <string>

#include "VmrPhoneBook.h"

namespace phonebook_tab {

// A text field of the entry through its getter.
std::string FieldText(VmrPhoneBook& book, void (VmrPhoneBook::*get)(char*, unsigned short));
// The kind of connection. IsRasLinkEntry reads the entry at `path` once
// more, so the caller takes the other texts first.
std::string KindText(VmrPhoneBook& book, char* path);
// The phone number (with the area code when the entry uses it) or the
// workstation; empty for a direct cable.
std::string AddressText(VmrPhoneBook& book);
// Every other field, for the box below the list. The password only as set
// or not.
std::string DetailsText(VmrPhoneBook& book);

}  // namespace phonebook_tab

#endif
