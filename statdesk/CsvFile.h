#pragma once

#include <QString>
#include <functional>

class CsvWriter;

// Writes a CSV file whole or not at all: the records go to a temporary file beside the target,
// which replaces the target only once everything is written. A failure leaves no partial file
// under the name, and an older file of that name as it was.
class CsvFile {
public:
    // Empty on success; otherwise why the file could not be written.
    static QString save(const QString& path, const std::function<void(CsvWriter&)>& records);
};
