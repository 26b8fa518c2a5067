#pragma once

class QCoreApplication;

// Installs Qt's own Simplified Chinese texts (standard buttons, the print and file dialogs) in
// `app`, whatever the user's locale: the whole interface is Chinese. Returns false when the
// translations are not installed; Qt's texts then stay English.
bool InstallQtTranslations(QCoreApplication& app);
