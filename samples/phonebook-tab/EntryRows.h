// The rows of the Phone Book tab and their reading: what the list shows,
// without a line of window code.
//
// The names come from the listing at once; each entry is read on a reader
// thread, never on the window's: one ReadEntry on a network share that has
// gone away waits for the network's time-out, and the window must answer all
// the while. A host copies this file as it stands and hands its own window a
// notification function.
#ifndef PHONEBOOK_TAB_ENTRYROWS_H
#define PHONEBOOK_TAB_ENTRYROWS_H

#include <windows.h>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "RasPhoneBook.h"
#include "VmrPhoneBook.h"

namespace phonebook_tab {

// How far the reading of a row's entry got.
enum class ReadState {
    kUnread,         // not back yet: the row says "Reading..."
    kRead,
    kOtherVersion,   // written by another version of the library
    kUnreadable,     // missing, held by another program, or not an entry
};

// A row of the list: named at once from the listing, its other columns
// filled when its entry has been read.
struct Row {
    bool dialUp = false;
    ReadState state = ReadState::kUnread;
    std::string name;      // as the phone book stores it
    std::string key;       // the entry file's full path, or the Dial-Up Networking entry's name
    std::string kind, address, login;
    std::string details;   // the text below the list, made with the rest by the reader
    std::string sortKey;   // of the name: ten thousand names sort by it at once
    std::string folded;    // name and address as the Find box compares them, once asked for
};

// The phone book's entry files, then Dial-Up Networking's entries (which
// need no reading), named and not read. Calls neither ReadEntry nor a window.
std::vector<Row> ListRows(VmrPhoneBook& book, RasPhoneBook& dialUp);

// A read that has come back: the texts of row `index` of listing `listing`.
struct EntryRead {
    unsigned listing = 0;
    size_t index = 0;
    ReadState state = ReadState::kUnreadable;
    std::string kind, address, login, details;
};

// Reads entries on up to kReaders threads of its own. The window holds one
// reference and each running reader another, so the object lives until the
// last read is back, whenever the window goes. Every member but the reader
// threads' own is called on the window's thread.
class EntryReader
{
public:
    static const int kReaders = 2;
    typedef void (*Notify)(void* context);

    // `notify(context)` is called on a reader thread, at most once until
    // TakeResults has been called, when reads wait to be taken. Each reader
    // gets its own copy of `book`: the library's object is a plain one, and
    // its calls run on the caller's thread. Null when out of memory.
    static EntryReader* Create(const VmrPhoneBook& book, Notify notify, void* context);
    // The window's reference, given up when the window goes: no notification
    // follows, and the reads still out finish into nothing.
    void Detach();

    // A new listing: the reads of the old one are dropped, and `paths` are
    // read in the order of `order` (indices into `paths`).
    void Start(unsigned listing, const std::vector<std::string>& paths, const std::vector<size_t>& order);
    // These rows of the current listing before the others (the rows on the
    // screen).
    void Hurry(const std::vector<size_t>& indices);
    std::vector<EntryRead> TakeResults();

    // How many readers exist in the process, window or none: a test's way
    // to see that one outlives its window only while a read is out.
    static long Living();
    // A test's stand-in for a share that does not answer: called on the
    // reader's thread before each read, with the entry's path.
    static void SetReadGate(void (*gate)(const std::string& path));

private:
    struct ReaderStart {
        EntryReader* reader;
        int slot;
    };

    explicit EntryReader(const VmrPhoneBook& book, Notify notify, void* context);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    void AddReference();
    void Release();
    void StartReaders();   // under the lock
    static DWORD WINAPI ReaderThread(void* start);
    void ReadAll(int slot);
    bool TakeWork(size_t* index, std::string* path, unsigned* listing, int slot);
    EntryRead ReadOne(VmrPhoneBook& book, const std::string& path);

    CRITICAL_SECTION lock_;
    LONG references_ = 1;
    Notify notify_;
    void* context_;
    bool notified_ = false;
    VmrPhoneBook books_[kReaders];
    bool running_[kReaders] = {};
    unsigned listing_ = 0;
    std::vector<std::string> paths_;
    std::vector<bool> taken_;        // of paths_: handed to a reader in this listing
    std::deque<size_t> waiting_;     // may hold a row more than once (hurried); taken_ decides
    std::vector<EntryRead> results_;
    // Only "another version" is remembered, with the file's write time: it
    // stays so until the file is written again. Any other failure may pass
    // (a program holding the file, a share coming back) and is read again at
    // the next refresh.
    std::map<std::string, ULONGLONG> otherVersion_;
};

}  // namespace phonebook_tab

#endif
