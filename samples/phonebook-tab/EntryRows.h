// The rows of the Phone Book tab and their reading: what the list shows,
// without a line of window code.
//
// The listing of the names and the reading of each entry run on threads of
// their own, never on the window's: a folder or an entry on a network share
// that has gone away answers only at the network's time-out, and the window
// must answer all the while. A host copies this file as it stands and hands
// its own window a notification function.
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

// Lists the phone book on a thread of its own and reads entries on up to
// kReaders more. The window holds one reference and each running thread
// another, so the object lives until the last listing or read is back,
// whenever the window goes. Every member but the threads' own is called on
// the window's thread.
class EntryReader
{
public:
    static const int kReaders = 2;
    typedef void (*Notify)(void* context);

    // `notify(context)` is called on a reader or the lister thread, at most
    // once until TakeListing or TakeResults has been called, when a listing
    // or reads wait to be taken. Each thread gets its own copy of `book`
    // (and the lister of `dialUp`): the library's objects are plain ones,
    // and their calls run on the caller's thread. Null when out of memory.
    static EntryReader* Create(const VmrPhoneBook& book, const RasPhoneBook& dialUp, Notify notify, void* context);
    // The window's reference, given up when the window goes: no notification
    // follows, and the listing and reads still out finish into nothing.
    void Detach();

    // Lists the rows again on the lister thread (ListRows). A listing asked
    // for while one runs is made when that one is back; only the last one
    // asked for comes back. False when no thread could be started.
    bool List(unsigned listing);
    // The rows of the listing last asked for, once it is back: true once.
    bool TakeListing(unsigned* listing, std::vector<Row>* rows);

    // Reads the entries of a listing taken: the reads of the one before are
    // dropped, and `paths` are read in the order of `order` (indices into
    // `paths`).
    void Start(unsigned listing, const std::vector<std::string>& paths, const std::vector<size_t>& order);
    // These rows of the current listing before the others (the rows on the
    // screen).
    void Hurry(const std::vector<size_t>& indices);
    std::vector<EntryRead> TakeResults();

    // How many readers exist in the process, window or none: a test's way
    // to see that one outlives its window only while a listing or read is
    // out.
    static long Living();
    // A test's stand-in for a share that does not answer: called on the
    // reader's thread before each read, with the entry's path, and on the
    // lister's before each listing, with an empty path.
    static void SetReadGate(void (*gate)(const std::string& path));

private:
    struct ReaderStart {
        EntryReader* reader;
        int slot;
    };

    EntryReader(const VmrPhoneBook& book, const RasPhoneBook& dialUp, Notify notify, void* context);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    void AddReference();
    void Release();
    void StartReaders();   // under the lock
    void NotifyOnce();     // under the lock
    static DWORD WINAPI ListerThread(void* reader);
    void ListAll();
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
    // The lister: its own copies, the listing last asked for, and its rows
    // once they are back.
    VmrPhoneBook listerBook_;
    RasPhoneBook listerDialUp_;
    bool listerRunning_ = false;
    unsigned listingWanted_ = 0;
    bool listed_ = false;
    unsigned listedListing_ = 0;
    std::vector<Row> listedRows_;
    // Only "another version" is remembered, with the file's write time: it
    // stays so until the file is written again. Any other failure may pass
    // (a program holding the file, a share coming back) and is read again at
    // the next refresh.
    std::map<std::string, ULONGLONG> otherVersion_;
};

}  // namespace phonebook_tab

#endif
