#include "enroldesk/ServerSetup.h"

#include "common/DataFolder.h"
#include "common/fleet/FleetConfig.h"
#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"
#include "common/fleet/ServerSchema.h"

#include <QDir>
#include <QTextStream>

namespace ServerSetup {

std::optional<int> RunIfAsked(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QLatin1String(Option));
    if (at < 0)
        return std::nullopt;
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString connection;
    if (at + 1 < arguments.size() && !arguments.at(at + 1).startsWith(QLatin1String("--")))
        connection = arguments.at(at + 1);
    if (connection.isEmpty()) {
        QString folder;
        const qsizetype folderAt = arguments.indexOf(QLatin1String("--data-folder"));
        if (folderAt >= 0 && folderAt + 1 < arguments.size())
            folder = QDir(arguments.at(folderAt + 1)).absolutePath();
        if (folder.isEmpty())
            folder = ResolveDataFolder();
        connection = FleetConfig::load(folder).administratorConnection();
        if (connection.isEmpty()) {
            err << "Enroldesk: 没有配置服务器：请在 " << DataFilePath(folder, FleetConfig::FileName)
                << " 的 [Server] 中设置 AdminConnection，或在 " << Option
                << " 后给出连接字符串。\n";
            return 1;
        }
    }
    PgConnection server(connection);
    try {
        server.connect();
        const int before = ServerSchema::InstalledVersion(server);
        ServerSchema::Install(server);
        if (before == 0)
            out << "服务器架构已建立（版本 " << ServerSchema::Version << "）。\n";
        else if (before == ServerSchema::Version)
            out << "服务器架构已是最新（版本 " << before << "），权限与策略已重新设置。\n";
        else
            out << "服务器架构已更新（版本 " << before << " → " << ServerSchema::Version
                << "）。\n";
        return 0;
    } catch (const FleetError& error) {
        err << "Enroldesk: 无法建立服务器架构：" << error.message << '\n';
        return 1;
    }
}

} // namespace ServerSetup
