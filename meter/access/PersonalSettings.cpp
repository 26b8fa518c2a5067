#include "meter/access/PersonalSettings.h"

#include "common/StoreTransaction.h"
#include "common/TextConventions.h"
#include "meter/store/IniLayout.h"
#include "meter/store/RecordAccess.h"
#include "meter/store/StoredValue.h"

namespace {

const QString UserSet = QStringLiteral("UserSet");

QString Flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

PersonalSettings::PersonalSettings(Store& store) : m_store(store) {}

PersonalValues PersonalSettings::load(const QString& user, int currentYear) const {
    const auto read = [&](const char* column, const QString& fallback) {
        return SelectUser(m_store, UserSet, user, QString::fromLatin1(column), fallback);
    };
    PersonalValues values;
    values.jack = NumberFromText(StoredText(read("Jack", QStringLiteral("1")))) == 1;
    values.ask = NumberFromText(StoredText(read("Ask", QStringLiteral("1")))) == 1;
    values.lenTm = StoredText(read("LenTm", QStringLiteral("60")));
    values.showTm = StoredText(read("ShowTm", QStringLiteral("0")));
    values.showMoney = FixedDecimalText(StoredNumber(read("ShowMoney", QStringLiteral("0"))), 2);
    values.title =
        StoredText(read("Title", IniLayout::Settings::DefaultCountdownTitle(currentYear)));
    values.toDate = StoredText(
        read("ToDate", IniLayout::Settings::DefaultCountdownDateTimeDashed(currentYear)));
    return values;
}

QString PersonalSettings::password(const QString& user) const {
    return SelectUser(m_store, QStringLiteral("Users"), user, QStringLiteral("Password"),
                      QStringLiteral("qxmeter"))
        .toString();
}

void PersonalSettings::storePassword(const QString& user, const QString& password) {
    StoreTransaction transaction(m_store);
    UpdateUserField(m_store, QStringLiteral("Users"), user, QStringLiteral("Password"), password);
    transaction.commit();
}

void PersonalSettings::store(const QString& user, const PersonalValues& values) {
    StoreTransaction transaction(m_store);
    const auto write = [&](const char* column, const QVariant& value) {
        UpdateUserField(m_store, UserSet, user, QString::fromLatin1(column), value);
    };
    write("Jack", Flag(values.jack));
    write("Ask", Flag(values.ask));
    write("LenTm", NumberFromText(values.lenTm));
    write("ShowTm", NumberFromText(values.showTm));
    write("ShowMoney", NumberFromText(values.showMoney));
    write("Title", values.title);
    write("ToDate", values.toDate);
    transaction.commit();
}
