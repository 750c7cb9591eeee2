#include "app/translationloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

QStringList TranslationLoader::programFolders()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    return { programDir.filePath(QStringLiteral("translations")),
        QDir::cleanPath(programDir.filePath(QStringLiteral(TORVEX_INSTALLED_TRANSLATIONS))) };
}

bool TranslationLoader::install(const QLocale& locale, const QStringList& folders)
{
    // Installed last, the program's own is asked first, so that it may also word a toolkit text anew.
    installFirstFound(
        QStringLiteral("qtbase"), locale, { QLibraryInfo::path(QLibraryInfo::TranslationsPath) });
    return installFirstFound(QStringLiteral("torvex-transfer"), locale, folders);
}

bool TranslationLoader::installFirstFound(
    const QString& name, const QLocale& locale, const QStringList& folders)
{
    auto translator = std::make_unique<QTranslator>();
    for (const QString& language : locale.uiLanguages()) {
        const QLocale wanted(language);
        if (wanted.language() == QLocale::English)
            return false;
        for (const QString& folder : folders) {
            if (translator->load(wanted, name, QStringLiteral("_"), folder)
                && QCoreApplication::installTranslator(translator.get())) {
                translator.release()->setParent(QCoreApplication::instance());
                return true;
            }
        }
    }
    return false;
}
