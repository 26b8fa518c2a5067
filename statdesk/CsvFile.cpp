#include "statdesk/CsvFile.h"

#include "statdesk/CsvWriter.h"

#include <QSaveFile>

QString CsvFile::save(const QString& path, const std::function<void(CsvWriter&)>& records) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    CsvWriter writer(file);
    records(writer);
    if (!writer.finish()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
