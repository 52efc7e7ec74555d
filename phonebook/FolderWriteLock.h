// The library's writers of one folder on one machine take turns: a named
// mutex, named from the folder, which every user of the machine can wait on.
// The first write of a process in a folder, and a write that finds the
// previous writer ended abruptly, first clears the leftovers there.
#ifndef PHONEBK_FOLDERWRITELOCK_H
#define PHONEBK_FOLDERWRITELOCK_H

#include <windows.h>

#include "Handles.h"

// This thread's turn at a folder, until the object goes. The mutex is opened
// for the turn and closed with it, like every handle of the library.
class FolderWriteLock
{
public:
    explicit FolderWriteLock(const char* directory);
    ~FolderWriteLock();
    FolderWriteLock(const FolderWriteLock&) = delete;
    FolderWriteLock& operator=(const FolderWriteLock&) = delete;

    bool held() const { return held_; }
    // False when a writer of this machine held the folder past the wait.
    bool mayWrite() const { return held_ || alone_; }
    // The folder has not been cleared up by this process yet, or its
    // previous writer ended in its write.
    bool sweepDue() const { return sweepDue_; }
    void swept();

private:
    char key_[MAX_PATH];
    KernelHandle mutex_;
    bool held_;
    bool alone_;
    bool sweepDue_;
};

// The folder as one spelling, from which its mutex is named: its full path
// without a trailing separator (cut by characters: the trail byte of a
// double-byte character may be 0x5C), upper case. key is MAX_PATH bytes.
void FolderKey(const char* directory, char* key);

#endif
