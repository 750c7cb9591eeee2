#pragma once

#include <QLocale>
#include <QStringList>

// Installs on the application object the program's translation for a locale and the toolkit's own
// ("qtbase"), each when a file for one of the locale's languages exists, taken in the user's order of
// preference. English is the language the texts are written in: once it comes in that order, nothing
// further is looked for. Call on the GUI thread after the application object exists and before any
// text is shown; the translators stay until the application object goes.
class TranslationLoader final
{
public:
    // The folders that hold the program's .qm files: "translations" beside the program (the build
    // tree), then the installed share/torvex-transfer/translations.
    static QStringList programFolders();
    // Returns whether the program's own translation was installed.
    static bool install(
        const QLocale& locale = QLocale::system(), const QStringList& folders = programFolders());

private:
    // Installs name_<language>.qm for the first of the locale's languages found in one of the folders.
    static bool installFirstFound(const QString& name, const QLocale& locale, const QStringList& folders);
};
