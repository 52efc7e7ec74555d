// Rewrites the version of an entry file in place, as a later or earlier
// version of the library would have written it. For test programs that
// compile the entry cipher in (phonebook/EntryCipher.cpp).
#ifndef PHONEBK_ENTRYVERSION_H
#define PHONEBK_ENTRYVERSION_H

#include <string>
#include <vector>

#include "EntryCipher.h"
#include "TestSupport.h"
#include "VmrPhoneBook.h"

// False when the file is not a whole entry or cannot be written back.
inline bool RewriteEntryVersion(const std::string& path, unsigned short version)
{
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    if (bytes.size() != sizeof(VmrEntryRecord))
        return false;
    DecryptRecord(bytes.data(), static_cast<unsigned short>(bytes.size()));
    reinterpret_cast<VmrEntryRecord*>(bytes.data())->Version = version;
    EncryptRecord(bytes.data(), static_cast<unsigned short>(bytes.size()));
    return WriteFileBytes(path, bytes.data(), bytes.size());
}

#endif
