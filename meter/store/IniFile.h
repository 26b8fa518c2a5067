#pragma once

#include <QList>
#include <QString>
#include <functional>

// A profile file of [sections] and key=value lines. Sections and keys match without letter
// case, values are trimmed. Read as UTF-8, where a line that is not valid UTF-8 is read as GBK
// (a file mostly in GBK, from the old system, is GBK throughout); always written as UTF-8,
// through a temporary file renamed over the old one.
class IniFile {
public:
    explicit IniFile(QString path);

    // Reads the file; a missing or unreadable file reads as empty. Returns false when the
    // file exists but cannot be read.
    bool load();
    // Writes the whole document atomically. Returns false when it cannot be written.
    bool save() const;

    // The value, or `fallback` when the section or the key is missing.
    QString value(const QString& section, const QString& key, const QString& fallback) const;
    // Replaces the value of an existing key, or appends the key to its section, or appends the
    // section at the end.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Drops every section and key.
    void clear();
    // Drops the keys for which `matches` holds from every section named `section`; the lines
    // that hold no key stay.
    void removeKeys(const QString& section, const std::function<bool(const QString&)>& matches);

    const QString& path() const { return m_path; }

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };

    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;

    QString m_path;
    QList<Section> m_sections;
};
