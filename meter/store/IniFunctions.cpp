#include "meter/store/IniFunctions.h"

#include "meter/store/IniFile.h"

QString ReadIni(const QString& section, const QString& key, const QString& fallback,
                const QString& filePath) {
    IniFile file(filePath);
    file.load();
    QString text = file.value(section, key, fallback);
    text.remove(QChar(0));
    return text.trimmed();
}

bool WriteIni(const QString& section, const QString& key, const QString& value,
              const QString& filePath) {
    IniFile file(filePath);
    // A file that exists but cannot be read is left alone rather than replaced by one key.
    if (!file.load())
        return false;
    file.setValue(section, key, value);
    return file.save();
}
