#include "transfer/downloadfile.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {
bool downloadFileReplace(const QString& from, const QString& to)
{
    std::error_code error;
#ifdef Q_OS_WIN
    std::filesystem::rename(from.toStdWString(), to.toStdWString(), error);
#else
    std::filesystem::rename(
        QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), error);
#endif
    return !error;
}
} // namespace

DownloadFile::DownloadFile(const QString& target)
    : m_target(target)
{ }

DownloadFile::~DownloadFile()
{
    discard();
}

bool DownloadFile::openResumable(const QString& key)
{
    const QFileInfo target(m_target);
    // "." + name + "." + document + "-" + state + ".part"; the document part ends at the first "-".
    const QString stem = QStringLiteral(".") + target.fileName().left(64) + QLatin1Char('.');
    const QString document = key.section(QLatin1Char('-'), 0, 0) + QLatin1Char('-');
    const QString name = stem + key + QStringLiteral(".part");
    QDir dir = target.absoluteDir();
    QString pattern = stem + document;
    for (const QChar wildcard : { QLatin1Char('*'), QLatin1Char('?'), QLatin1Char('[') })
        pattern.replace(wildcard, QLatin1Char('?'));
    const QStringList found
        = dir.entryList({ pattern + QStringLiteral("*.part") }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& stale : found) {
        if (stale != name && stale.startsWith(stem + document))
            dir.remove(stale);
    }
    setFileName(dir.filePath(name));
    // A link in the file's place is not followed: it goes, and the download starts afresh.
    const QFileInfo part(fileName());
    if (part.isSymLink() || (part.exists() && !part.isFile()))
        remove();
    if (!open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    m_created = true;
    return true;
}

bool DownloadFile::restart()
{
    return m_created && resize(0);
}

void DownloadFile::keep()
{
    if (!m_created)
        return;
    close();
    m_created = false;
}

bool DownloadFile::commit()
{
    if (!m_created || !flush() || error() != QFileDevice::NoError)
        return false;
    close();
    const QFileInfo existing(m_target);
    if (existing.exists())
        setPermissions(existing.permissions());
    if (!downloadFileReplace(fileName(), m_target))
        return false;
    m_created = false;
    return true;
}

void DownloadFile::discard()
{
    if (!m_created)
        return;
    close();
    remove();
    m_created = false;
}
