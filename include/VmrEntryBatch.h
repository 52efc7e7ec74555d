/*
 * VmrEntryBatch.h - writing many entry files at once, as exported by
 * PhoneBk.dll: for tools that import, copy or rename connections in bulk.
 *
 * These are plain C functions (__stdcall, undecorated names), beside the two
 * classes. They write exactly as the library's own dialogs write: through a
 * temporary file beside the entry, flushed before it takes the entry's name,
 * taking turns with the library's other writers of the folder on this
 * machine. A tool that uses them shares one write protocol with every host
 * and every version of the library it ships with.
 *
 * A batch is all or nothing. Each entry is first prepared (written in full
 * to a temporary file in a folder of the batch's own, "~vmrXXXX.new", made in
 * the entries' folder; beside the entry where that folder cannot be made or
 * its paths would not fit); no entry in the folder changes until the
 * batch is committed, which puts every prepared entry in place, or, when one
 * cannot take its place (its name was taken meanwhile by any spelling the
 * file system accepts, access was denied, the disk is full), takes back the
 * ones already in place, replaced entries included, and leaves the folder as
 * it was.
 *
 * A process that ends while a batch is being committed leaves a journal
 * ("~vmrXXXX.job", four hexadecimal digits) that names, one per line, the
 * entry files the batch was putting in place; VmrLeftoverKind tells such a
 * file from an entry, and the library's clean-up leaves it for the
 * administrator to read.
 *
 * Text is ANSI in the system's multibyte code page. Paths fit in 260 bytes.
 * The header needs nothing from <windows.h>.
 */
#ifndef VMRENTRYBATCH_H
#define VMRENTRYBATCH_H

#include "VmrPhoneBook.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(PHONEBK_BUILD)
#define PHONEBK_FUNCTION
#else
#define PHONEBK_FUNCTION __declspec(dllimport)
#endif

typedef struct VmrEntryBatch VmrEntryBatch;

/* Results of VmrCommitEntryBatch. */
#define VMR_BATCH_DONE       0   /* every entry is in place */
#define VMR_BATCH_NAME_TAKEN 1   /* an entry not to be replaced found its name taken; nothing changed */
#define VMR_BATCH_FAILED     2   /* GetLastError() tells why; nothing changed */

/* A batch of writes into one folder (the directory of every entry added).
   Null when memory is short or the directory does not fit. */
PHONEBK_FUNCTION VmrEntryBatch* __stdcall VmrBeginEntryBatch(const char* directory);

/* Prepares the record of book, enciphered, as the entry file at path (a full
   path in the batch's folder; no extension is added). With replace 0 the
   commit fails when a file of that name exists by then. 1 for success; 0,
   with GetLastError() set, when the file could not be prepared, or the path
   lies elsewhere or names a device. */
PHONEBK_FUNCTION int __stdcall VmrAddToEntryBatch(VmrEntryBatch* batch, const VmrPhoneBook* book, const char* path,
                                                  int replace);

/* Puts every prepared entry in place, or none (see above). failedIndex, when
   not null, receives the index (from 0, in the order of adding) of the entry
   that could not take its place. A batch is committed once. */
PHONEBK_FUNCTION int __stdcall VmrCommitEntryBatch(VmrEntryBatch* batch, unsigned long* failedIndex);

/* Removes what was prepared and not committed, and frees the batch. */
PHONEBK_FUNCTION void __stdcall VmrEndEntryBatch(VmrEntryBatch* batch);

/* What a file of the folder is to the library's writes, by its long name. */
#define VMR_LEFTOVER_NONE      0   /* not the library's: an entry file, or anything else */
#define VMR_LEFTOVER_TEMPORARY 1   /* "~vmrXXXX.tmp": a write's temporary file */
#define VMR_LEFTOVER_ASIDE     2   /* "NAME.vm~": an entry set aside while another took its place */
#define VMR_LEFTOVER_JOURNAL   3   /* "~vmrXXXX.job": a batch that ended while it was committed */
#define VMR_LEFTOVER_PREPARED  4   /* "~vmrXXXX.new": the folder of a batch's prepared files */
PHONEBK_FUNCTION int __stdcall VmrLeftoverKind(const char* fileName);

/* Clears what ended writes left in the directory, in turn with the writers of
   this machine: temporary files nobody holds go (those in the folders of
   batches too, and such a folder once it is empty), and an entry set aside
   goes back to its name when no entry took it. Journals stay. */
PHONEBK_FUNCTION void __stdcall VmrRemoveWriteLeftovers(const char* directory);

#ifdef __cplusplus
}
#endif

#endif
