#pragma once

#include <QString>

// A database file that cannot be used, said for the user: what is wrong with which file and
// what to do, followed by the store's own text as detail.
class StoreProblem {
public:
    enum class Kind {
        // Not a database of ours: another program's, another password, or garbage.
        NotOurs,
        Damaged,
        NoAccess,
        Busy,
        DiskFull,
        DiskError,
        // Tables or columns are missing.
        Incomplete,
        // A statement failed for a reason of its own.
        Other,
    };

    // The kind of a failure from the store's message (SQLite's standard texts).
    static Kind kindOf(const QString& storeMessage);
    // Whether the failure concerns the file as a whole rather than one statement.
    static bool isFileProblem(const QString& storeMessage);
    // The sentence for the file at `path`, then the store's message as detail.
    static QString describe(const QString& path, const QString& storeMessage);
};
