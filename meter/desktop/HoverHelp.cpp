#include "meter/desktop/HoverHelp.h"

#include <QHash>

std::optional<QString> HoverHelpText(const QString& itemName, const QString& user) {
    const QString userTag = QStringLiteral("用户[") + user + QStringLiteral("]");
    const QString crlf = QStringLiteral("\r\n");
    static const QHash<QString, QString> groups = {
        {"Form1", "default"},    {"Frame1", "default"},   {"Frame2", "default"},
        {"Label2", "default"},   {"Tbr", "default"},      {"Label3", "user"},
        {"User", "user"},        {"Label37", "fee"},      {"Label38", "fee"},
        {"Label8", "rate"},      {"Label9", "rate"},      {"Label6", "count"},
        {"Label7", "count"},     {"Label10", "time"},     {"Label11", "time"},
        {"Label12", "money"},    {"Label13", "money"},    {"Label14", "users"},
        {"Label15", "users"},    {"Label16", "allCount"}, {"Label17", "allCount"},
        {"Label18", "allTime"},  {"Label19", "allTime"},  {"Label20", "allMoney"},
        {"Label21", "allMoney"},
    };
    const QString group = groups.value(itemName, itemName);
    if (group == QLatin1String("default"))
        return DefaultHoverHelp;
    if (group == QLatin1String("user"))
        return QStringLiteral("本次上网用户，本次上网所产生的费用会记在用户[") + user +
               QStringLiteral("]的帐上。") + crlf +
               QStringLiteral("右击显示在任务栏的图标，在弹出的菜单中选“更改用户”可更改当前用户。");
    if (group == QLatin1String("Label4"))
        return QStringLiteral("本次计划上网所剩余的时间");
    if (group == QLatin1String("Label5"))
        return QStringLiteral("本次计划上网所剩余的时间。");
    if (group == QLatin1String("fee"))
        return QStringLiteral("本次上网的花费。");
    if (group == QLatin1String("rate"))
        return QStringLiteral("今日这个时间段每小时上网的费用。") + crlf +
               QStringLiteral("可以在“系统设置”中设置不同日期不同时间段的费用。");
    if (group == QLatin1String("count"))
        return userTag + QStringLiteral("上网的次数。");
    if (group == QLatin1String("time"))
        return userTag + QStringLiteral("已上网的总时间。") + crlf +
               QStringLiteral("可在“个人设置”中更改在该处显示的总时间，实际记录值不变。");
    if (group == QLatin1String("money"))
        return userTag + QStringLiteral("已产生的上网总费用。") + crlf +
               QStringLiteral("可在“个人设置”中更改在该处显示的总费用，实际记录值不变。");
    if (group == QLatin1String("users"))
        return QStringLiteral("使用本机上网的用户量。");
    if (group == QLatin1String("allCount"))
        return QStringLiteral("使用本机上网的所有用户上网的总次数。");
    if (group == QLatin1String("allTime"))
        return QStringLiteral("使用本机上网的所有用户上网的总时间。");
    if (group == QLatin1String("allMoney"))
        return QStringLiteral("使用本机上网的所有用户因上网所产生的总费用。");
    if (group == QLatin1String("Command1"))
        return QStringLiteral("更改系统设置。");
    if (group == QLatin1String("Command2"))
        return QStringLiteral("查询或管理详细的统计数据。");
    if (group == QLatin1String("Command3"))
        return QStringLiteral("断开与网络的连接。");
    if (group == QLatin1String("Command4"))
        return QStringLiteral("更改个人设置。");
    if (group == QLatin1String("Text1"))
        return QStringLiteral("指定本次计划上网的时间，当正处于网络连接状态，当该值发生改动时，"
                              "剩余时间即为该值减去本次已经使用的时间。");
    return std::nullopt;
}
