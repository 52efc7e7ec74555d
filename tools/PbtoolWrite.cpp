#include "PbtoolWrite.h"

#include "VmrEntryBatch.h"

LeftoverKindOfFile LeftoverKind(const std::string& fileName)
{
    switch (VmrLeftoverKind(fileName.c_str())) {
    case VMR_LEFTOVER_TEMPORARY: return kLeftoverTemporary;
    case VMR_LEFTOVER_ASIDE: return kLeftoverAside;
    case VMR_LEFTOVER_JOURNAL: return kLeftoverJournal;
    default: return kLeftoverNone;
    }
}

void RemoveLeftovers(const std::string& directory)
{
    VmrRemoveWriteLeftovers(directory.c_str());
}
