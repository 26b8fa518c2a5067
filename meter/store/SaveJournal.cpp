#include "meter/store/SaveJournal.h"

#include "common/TextConventions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

constexpr int Version = 1;
// A journal holds a save or two; anything this large is not one of ours.
constexpr qint64 MaxSize = 1 << 20;

QJsonObject MarkToJson(const RowMark& mark) {
    return {{"ThisTm", mark.ThisTm}, {"ToD", mark.ToD}, {"ToT", mark.ToT}};
}

RowMark MarkFromJson(const QJsonObject& json) {
    return {json.value("ThisTm").toInteger(), json.value("ToD").toString(),
            json.value("ToT").toString()};
}

QJsonObject SaveToJson(const SessionSave& save) {
    return {
        {"User", save.User},
        {"UserCount", save.UserCount},
        {"MasterCount", save.MasterCount},
        {"FromD", save.FromD},
        {"FromT", save.FromT},
        {"UserRowId", save.UserRowId},
        {"MasterRowId", save.MasterRowId},
        {"UserMark", MarkToJson(save.UserMark)},
        {"MasterMark", MarkToJson(save.MasterMark)},
        {"ToD", save.ToD},
        {"ToT", save.ToT},
        {"UserAllMoney", save.UserAllMoney},
        {"ThisMoney", save.ThisMoney},
        {"UserAllTm", save.UserAllTm},
        {"ThisTm", save.ThisTm},
        {"MasterAllMoney", save.MasterAllMoney},
        {"MasterAllTm", save.MasterAllTm},
        {"ShowMoney", save.ShowMoney},
        {"ShowTm", save.ShowTm},
    };
}

std::optional<SessionSave> SaveFromJson(const QJsonValue& value) {
    const QJsonObject json = value.toObject();
    // Every field must be there with its type: a save with a part missing is not written.
    for (const char* text : {"User", "FromD", "FromT", "ToD", "ToT"}) {
        if (!json.value(text).isString())
            return std::nullopt;
    }
    for (const char* number :
         {"UserCount", "MasterCount", "UserRowId", "MasterRowId", "UserAllMoney", "ThisMoney",
          "UserAllTm", "ThisTm", "MasterAllMoney", "MasterAllTm", "ShowMoney", "ShowTm"}) {
        if (!json.value(number).isDouble())
            return std::nullopt;
    }
    if (!json.value("UserMark").isObject() || !json.value("MasterMark").isObject())
        return std::nullopt;
    SessionSave save;
    save.User = json.value("User").toString();
    save.UserCount = json.value("UserCount").toInteger();
    save.MasterCount = json.value("MasterCount").toInteger();
    save.FromD = json.value("FromD").toString();
    save.FromT = json.value("FromT").toString();
    save.UserRowId = json.value("UserRowId").toInteger();
    save.MasterRowId = json.value("MasterRowId").toInteger();
    save.UserMark = MarkFromJson(json.value("UserMark").toObject());
    save.MasterMark = MarkFromJson(json.value("MasterMark").toObject());
    save.ToD = json.value("ToD").toString();
    save.ToT = json.value("ToT").toString();
    save.UserAllMoney = json.value("UserAllMoney").toDouble();
    save.ThisMoney = json.value("ThisMoney").toDouble();
    save.UserAllTm = json.value("UserAllTm").toDouble();
    save.ThisTm = json.value("ThisTm").toDouble();
    save.MasterAllMoney = json.value("MasterAllMoney").toDouble();
    save.MasterAllTm = json.value("MasterAllTm").toDouble();
    save.ShowMoney = json.value("ShowMoney").toDouble();
    save.ShowTm = json.value("ShowTm").toDouble();
    // A pair in the store has both its rows; one without is an opening and has neither.
    if ((save.UserRowId == 0) != (save.MasterRowId == 0) || save.UserRowId < 0 ||
        save.MasterRowId < 0 || save.UserCount < 1 || save.MasterCount < 1)
        return std::nullopt;
    // Texts the columns would refuse: such a save could never be written, and as the oldest
    // it would hold back every save after it.
    const auto fits = [](const QString& text, qsizetype limit) {
        return !text.isEmpty() && CharacterCount(text) <= limit;
    };
    if (!fits(save.User, 12) || !fits(save.FromD, 10) || !fits(save.ToD, 10) ||
        !fits(save.FromT, 8) || !fits(save.ToT, 8))
        return std::nullopt;
    return save;
}

} // namespace

SaveJournal::SaveJournal(QString path) : m_path(std::move(path)) {}

bool SaveJournal::exists() const {
    return QFile::exists(m_path);
}

std::optional<QList<SessionSave>> SaveJournal::read() {
    QFile file(m_path);
    if (!file.exists())
        return QList<SessionSave>{};
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return std::nullopt;
    }
    if (file.size() > MaxSize) {
        m_error = QStringLiteral("too large");
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject root = document.object();
    if (parseError.error != QJsonParseError::NoError || !document.isObject() ||
        root.value("Version").toInt() != Version || !root.value("Saves").isArray()) {
        m_error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                               : QStringLiteral("not a journal");
        return std::nullopt;
    }
    QList<SessionSave> saves;
    for (const QJsonValue& value : root.value("Saves").toArray()) {
        const std::optional<SessionSave> save = SaveFromJson(value);
        if (!save) {
            m_error = QStringLiteral("a save with missing fields");
            return std::nullopt;
        }
        saves << *save;
    }
    return saves;
}

bool SaveJournal::write(const QList<SessionSave>& saves) {
    QJsonArray array;
    for (const SessionSave& save : saves)
        array.append(SaveToJson(save));
    const QJsonObject root{{"Version", Version}, {"Saves", array}};
    // QSaveFile writes a temporary file in the same folder, syncs it and renames it into place.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 || !file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

bool SaveJournal::remove() {
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return true;
    m_error = file.errorString();
    return false;
}

bool SaveJournal::setAside() {
    const QString aside = m_path + QStringLiteral(".bad");
    QFile::remove(aside);
    if (QFile::rename(m_path, aside))
        return true;
    m_error = QStringLiteral("cannot rename to %1").arg(aside);
    return false;
}
