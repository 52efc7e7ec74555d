#include "EntryRows.h"

#include <string.h>
#include <new>

#include "DetailsText.h"
#include "HostText.h"
#include "resources/TabResources.h"

namespace phonebook_tab {

namespace {

const char kExtension[] = ".vmr";

LONG g_living = 0;
void (*g_readGate)(const std::string& path) = nullptr;

class Locked
{
public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& lock_;
};

// ReadEntry tells the user in a message box, owned by the focus window of
// the calling thread, that an entry comes from another version of the
// library. A reader thread has no focus window: the box would stand ownerless
// beside the host's window, which stays enabled and may close under it. So a
// reader refuses every window its thread would make during one read, and a
// refused window means "another version" (the library shows no other window
// while it reads). The user sees the library's box when opening the entry.
thread_local bool t_windowRefused = false;

LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        t_windowRefused = true;
        return 1;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

class WindowRefusal
{
public:
    WindowRefusal() : hook_(SetWindowsHookExA(WH_CBT, RefuseWindows, NULL, GetCurrentThreadId()))
    {
        t_windowRefused = false;
    }
    ~WindowRefusal()
    {
        if (hook_ != NULL)
            UnhookWindowsHookEx(hook_);
    }
    WindowRefusal(const WindowRefusal&) = delete;
    WindowRefusal& operator=(const WindowRefusal&) = delete;
    bool refused() const { return t_windowRefused; }

private:
    HHOOK hook_;
};

ULONGLONG LastWritten(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

int PHONEBK_CALLBACK CollectName(char* entry, long list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(entry);
    return 1;
}

}  // namespace

std::vector<Row> ListRows(VmrPhoneBook& book, RasPhoneBook& dialUp)
{
    std::vector<std::string> files;
    book.EnumEntryNames(CollectName, reinterpret_cast<long>(&files));
    std::vector<std::string> dialUpNames;
    dialUp.EnumEntryNames(CollectName, reinterpret_cast<long>(&dialUpNames));

    std::vector<Row> rows;
    rows.reserve(files.size() + dialUpNames.size());
    for (const std::string& file : files) {
        // The listing matches short names (x.vmrx) too: only a file of the
        // extension is a connection. Whether it opens shows when it is read.
        if (!EndsWithNoCase(file, kExtension))
            continue;
        rows.emplace_back();
        Row& row = rows.back();
        row.key = file;
        row.name = FileNamePart(file);
        row.name.resize(row.name.size() - strlen(kExtension));
        row.sortKey = SortKey(row.name);
    }
    std::string dialUpKind = LoadText(IDS_KIND_DIALUP);
    for (const std::string& name : dialUpNames) {
        rows.emplace_back();
        Row& row = rows.back();
        row.dialUp = true;
        row.state = ReadState::kRead;
        row.name = name;
        row.key = name;
        row.kind = dialUpKind;
        row.sortKey = SortKey(name);
    }
    return rows;
}

// ---- The reader

EntryReader* EntryReader::Create(const VmrPhoneBook& book, const RasPhoneBook& dialUp, Notify notify, void* context)
{
    return new (std::nothrow) EntryReader(book, dialUp, notify, context);
}

EntryReader::EntryReader(const VmrPhoneBook& book, const RasPhoneBook& dialUp, Notify notify, void* context)
    : notify_(notify), context_(context)
{
    InitializeCriticalSection(&lock_);
    for (VmrPhoneBook& copy : books_)
        copy = book;
    listerBook_ = book;
    listerDialUp_ = dialUp;
    InterlockedIncrement(&g_living);
}

EntryReader::~EntryReader()
{
    DeleteCriticalSection(&lock_);
    InterlockedDecrement(&g_living);
}

long EntryReader::Living()
{
    return InterlockedCompareExchange(&g_living, 0, 0);
}

void EntryReader::SetReadGate(void (*gate)(const std::string& path))
{
    g_readGate = gate;
}

void EntryReader::AddReference()
{
    InterlockedIncrement(&references_);
}

void EntryReader::Release()
{
    if (InterlockedDecrement(&references_) == 0)
        delete this;
}

void EntryReader::Detach()
{
    {
        Locked locked(lock_);
        notify_ = nullptr;
        waiting_.clear();
        results_.clear();
        listedRows_.clear();
        listed_ = false;
    }
    Release();
}

void EntryReader::NotifyOnce()
{
    if (!notified_ && notify_ != nullptr) {
        notified_ = true;
        notify_(context_);
    }
}

// One lister at most: a refresh asked for again and again while a share
// does not answer adds no thread, and the lister lists once more when it is
// back. Like a reader, it holds a reference and its handle is not kept.
bool EntryReader::List(unsigned listing)
{
    Locked locked(lock_);
    listingWanted_ = listing;
    listed_ = false;
    listedRows_.clear();
    if (listerRunning_)
        return true;
    listerRunning_ = true;
    AddReference();
    HANDLE thread = CreateThread(NULL, 0, ListerThread, this, 0, NULL);
    if (thread == NULL) {
        listerRunning_ = false;
        InterlockedDecrement(&references_);   // the window's reference remains
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool EntryReader::TakeListing(unsigned* listing, std::vector<Row>* rows)
{
    Locked locked(lock_);
    notified_ = false;
    if (!listed_)
        return false;
    listed_ = false;
    *listing = listedListing_;
    rows->swap(listedRows_);
    listedRows_.clear();
    return true;
}

DWORD WINAPI EntryReader::ListerThread(void* parameter)
{
    EntryReader* reader = static_cast<EntryReader*>(parameter);
    reader->ListAll();
    reader->Release();
    return 0;
}

void EntryReader::ListAll()
{
    unsigned done = 0;
    for (;;) {
        unsigned listing = 0;
        {
            Locked locked(lock_);
            if (listingWanted_ == done || notify_ == nullptr) {
                listerRunning_ = false;
                return;
            }
            listing = listingWanted_;
        }
        if (g_readGate != nullptr)
            g_readGate(std::string());
        std::vector<Row> rows = ListRows(listerBook_, listerDialUp_);
        done = listing;
        Locked locked(lock_);
        if (listing != listingWanted_ || notify_ == nullptr)
            continue;   // asked for again, or closed, meanwhile
        listedRows_.swap(rows);
        listedListing_ = listing;
        listed_ = true;
        NotifyOnce();
    }
}

void EntryReader::Start(unsigned listing, const std::vector<std::string>& paths, const std::vector<size_t>& order)
{
    Locked locked(lock_);
    listing_ = listing;
    paths_ = paths;
    taken_.assign(paths_.size(), false);
    waiting_.clear();
    for (size_t index : order) {
        if (index < paths_.size())
            waiting_.push_back(index);
    }
    results_.clear();
    StartReaders();
}

void EntryReader::Hurry(const std::vector<size_t>& indices)
{
    Locked locked(lock_);
    for (auto at = indices.rbegin(); at != indices.rend(); ++at) {
        if (*at < paths_.size() && !taken_[*at])
            waiting_.push_front(*at);
    }
    // A list scrolled up and down for long while the reads wait leaves the
    // same rows in the queue many times over: past twice the rows, only
    // each row's first place is kept.
    if (waiting_.size() > 2 * paths_.size() + 64) {
        std::vector<bool> seen(paths_.size(), false);
        std::deque<size_t> kept;
        for (size_t index : waiting_) {
            if (!taken_[index] && !seen[index])
                kept.push_back(index);
            seen[index] = true;
        }
        waiting_.swap(kept);
    }
    StartReaders();
}

std::vector<EntryRead> EntryReader::TakeResults()
{
    std::vector<EntryRead> results;
    Locked locked(lock_);
    results.swap(results_);
    notified_ = false;
    return results;
}

// A reader per slot while there is work for it. Each holds a reference,
// given up by its thread when the work runs out. Its thread's handle is not
// kept: nothing waits for a reader, it only ends.
void EntryReader::StartReaders()
{
    int running = 0;
    for (bool busy : running_)
        running += busy ? 1 : 0;
    for (int slot = 0; slot < kReaders && waiting_.size() > static_cast<size_t>(running); ++slot) {
        if (running_[slot])
            continue;
        ReaderStart* start = new (std::nothrow) ReaderStart{this, slot};
        if (start == nullptr)
            return;
        running_[slot] = true;
        AddReference();
        HANDLE thread = CreateThread(NULL, 0, ReaderThread, start, 0, NULL);
        if (thread == NULL) {
            running_[slot] = false;
            InterlockedDecrement(&references_);   // the window's reference remains
            delete start;
            return;
        }
        CloseHandle(thread);
        ++running;
    }
}

DWORD WINAPI EntryReader::ReaderThread(void* parameter)
{
    ReaderStart start = *static_cast<ReaderStart*>(parameter);
    delete static_cast<ReaderStart*>(parameter);
    start.reader->ReadAll(start.slot);
    start.reader->Release();
    return 0;
}

void EntryReader::ReadAll(int slot)
{
    size_t index = 0;
    std::string path;
    unsigned listing = 0;
    while (TakeWork(&index, &path, &listing, slot)) {
        EntryRead read = ReadOne(books_[slot], path);
        read.listing = listing;
        read.index = index;
        Locked locked(lock_);
        if (listing != listing_ || notify_ == nullptr)
            continue;   // refreshed or closed meanwhile
        results_.push_back(std::move(read));
        NotifyOnce();
    }
}

// The next row to read, or false (and the slot free) when none is left.
bool EntryReader::TakeWork(size_t* index, std::string* path, unsigned* listing, int slot)
{
    Locked locked(lock_);
    while (!waiting_.empty()) {
        size_t next = waiting_.front();
        waiting_.pop_front();
        if (taken_[next])
            continue;
        taken_[next] = true;
        *index = next;
        *path = paths_[next];
        *listing = listing_;
        return true;
    }
    running_[slot] = false;
    return false;
}

EntryRead EntryReader::ReadOne(VmrPhoneBook& book, const std::string& path)
{
    EntryRead read;
    ULONGLONG written = LastWritten(path);
    bool knownOther = false;
    {
        Locked locked(lock_);
        auto known = otherVersion_.find(path);
        knownOther = known != otherVersion_.end() && known->second == written;
    }
    if (knownOther) {
        read.state = ReadState::kOtherVersion;
        read.kind = LoadText(IDS_KIND_OTHER_VERSION);
        return read;
    }
    if (g_readGate != nullptr)
        g_readGate(path);

    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    WindowRefusal refusal;
    if (book.ReadEntry(name.data()) == 1) {
        read.state = ReadState::kRead;
        read.address = AddressText(book);
        read.login = FieldText(book, &VmrPhoneBook::GetLoginName);
        read.details = DetailsText(book);
        read.kind = KindText(book, name.data());   // reads the entry once more: last
    } else {
        read.state = refusal.refused() ? ReadState::kOtherVersion : ReadState::kUnreadable;
        read.kind = LoadText(refusal.refused() ? IDS_KIND_OTHER_VERSION : IDS_KIND_UNREADABLE);
    }
    Locked locked(lock_);
    if (read.state == ReadState::kOtherVersion)
        otherVersion_[path] = written;
    else
        otherVersion_.erase(path);
    return read;
}

}  // namespace phonebook_tab
