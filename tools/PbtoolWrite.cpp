#include "PbtoolWrite.h"

#include "VmrEntryBatch.h"

LeftoverKindOfFile LeftoverKind(const std::string& fileName)
{
    switch (VmrLeftoverKind(fileName.c_str())) {
    case VMR_LEFTOVER_TEMPORARY: return kLeftoverTemporary;
    case VMR_LEFTOVER_ASIDE: return kLeftoverAside;
    case VMR_LEFTOVER_JOURNAL: return kLeftoverJournal;
    case VMR_LEFTOVER_PREPARED: return kLeftoverPrepared;
    default: return kLeftoverNone;
    }
}

void RemoveLeftovers(const std::string& directory)
{
    VmrRemoveWriteLeftovers(directory.c_str());
}

EntryBatch::EntryBatch(const std::string& directory) : batch_(VmrBeginEntryBatch(directory.c_str())) {}

EntryBatch::~EntryBatch()
{
    if (batch_ != NULL)
        VmrEndEntryBatch(batch_);
}

bool EntryBatch::Add(VmrPhoneBook& book, const std::string& path, bool replace)
{
    return batch_ != NULL && VmrAddToEntryBatch(batch_, &book, path.c_str(), replace ? 1 : 0) != 0;
}

EntryBatch::Outcome EntryBatch::Commit(size_t* failed)
{
    unsigned long index = 0;
    int result = batch_ == NULL ? VMR_BATCH_FAILED : VmrCommitEntryBatch(batch_, &index);
    *failed = index;
    return result == VMR_BATCH_DONE ? kDone : result == VMR_BATCH_NAME_TAKEN ? kNameTaken : kFailed;
}
