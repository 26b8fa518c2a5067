#include "common/fleet/FleetConfig.h"

#include "common/DataFolder.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace {
// QSettings splits unquoted values at commas; a host list ("host=a,b") is one text.
QString TextValue(const QSettings& file, const QString& key) {
    const QVariant value = file.value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).trimmed();
    return value.toString().trimmed();
}
} // namespace

FleetConfig FleetConfig::load(const QString& dataFolder) {
    FleetConfig config;
    const QString path = DataFilePath(dataFolder, QString::fromLatin1(FileName));
    if (!QFileInfo(path).isFile())
        return config;
    QSettings file(path, QSettings::IniFormat);
    config.connection = TextValue(file, QStringLiteral("Server/Connection"));
    config.adminConnection = TextValue(file, QStringLiteral("Server/AdminConnection"));
    config.pcName = TextValue(file, QStringLiteral("Server/PcName"));
    bool ok = false;
    const int days = file.value(QStringLiteral("Server/CacheDays")).toInt(&ok);
    if (ok && days > 0)
        config.cacheDays = days;
    return config;
}
