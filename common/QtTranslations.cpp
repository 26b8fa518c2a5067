#include "common/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    // "qt_zh_CN" pulls in the catalogues of every installed module; "qtbase_zh_CN" alone holds
    // the buttons and dialogs where the catalogue list is missing.
    for (const QString& name : {QStringLiteral("qt_zh_CN"), QStringLiteral("qtbase_zh_CN")}) {
        if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
            return true;
    }
    delete translator;
    return false;
}
