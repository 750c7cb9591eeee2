#include "app/translationloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList TranslationLoader::programFolders()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    return { programDir.filePath(QStringLiteral("translations")),
        QDir::cleanPath(programDir.filePath(QStringLiteral(TORVEX_INSTALLED_TRANSLATIONS))) };
}

bool TranslationLoader::install(const QLocale& locale, const QStringList& folders)
{
    // Installed last, the program's own is asked first, so that it may also word a toolkit text anew.
    const std::pair<QString, QStringList> files[]
        = { { QStringLiteral("qtbase"), { QLibraryInfo::path(QLibraryInfo::TranslationsPath) } },
              { QStringLiteral("torvex-transfer"), folders } };
    bool installed = false;
    for (const auto& [name, where] : files) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        installed = load(*translator, locale, name, where) && QCoreApplication::installTranslator(translator);
        if (!installed)
            delete translator;
    }
    return installed;
}

bool TranslationLoader::load(
    QTranslator& translator, const QLocale& locale, const QString& name, const QStringList& folders)
{
    for (const QString& language : locale.uiLanguages()) {
        const QLocale wanted(language);
        if (wanted.language() == QLocale::English)
            return false;
        for (const QString& folder : folders) {
            if (translator.load(wanted, name, QStringLiteral("_"), folder))
                return true;
        }
    }
    return false;
}
