#pragma once
// Combining this window's book with a "Kordex.ini" that another window, a
// hand edit or a copy changed since this window read or wrote it. Three ways,
// by name (letter case ignored), against the book as this window had loaded
// it:
//   changed only on disk       the disk's version
//   changed only here          this window's version (deleted here: gone)
//   changed in both, unequal   this window's version; the disk's goes to a
//                              backup (added in both counts as changed)
//   deleted here, changed on disk   the disk's version: a deletion is easily
//                              done again, a lost change is not
//   deleted on disk, changed here   this window's version
// The result is in the disk's order with this window's new records after it,
// then sorted as the book is. Records compare as they read back from the file.
#include "config/connection_book.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace kordex {

using Records = std::vector<ConnectionRecord>;

// A record as the file gives it back after a save.
ConnectionRecord asStored(const ConnectionRecord &rec);
// The same records as stored, in whatever order.
bool sameRecords(const Records &a, const Records &b);

struct MergeConflict {
    enum class Kind {
        ChangedInBoth,            // this window's version kept, the disk's in the backup
        DeletedThereChangedHere,  // this window's version kept
        DeletedHereChangedThere,  // the disk's version kept
    };
    Kind kind;
    QByteArray name;
};

struct MergedBook {
    Records records;
    std::vector<MergeConflict> conflicts;
    // A version from the disk is replaced: the file must be kept aside first.
    bool needsBackup() const;
};

MergedBook mergeBooks(const Records &loaded, const Records &ours, const Records &disk);

// The one message about the conflicts: which records, and where the other
// versions are (`backup` is where the disk's file was kept, if it was).
QString mergeMessage(const std::vector<MergeConflict> &conflicts, const QString &ini, const QString &backup);

}  // namespace kordex
