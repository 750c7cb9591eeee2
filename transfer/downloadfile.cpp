#include "transfer/downloadfile.h"

#include <QFileInfo>
#include <QRandomGenerator>

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

bool DownloadFile::create()
{
    const QFileInfo target(m_target);
    // Short enough for any file system whatever the length of the target's name.
    const QString prefix = target.absolutePath() + QStringLiteral("/.") + target.fileName().left(64);
    for (int attempt = 0; attempt < 16; ++attempt) {
        setFileName(prefix
            + QStringLiteral(".%1.part")
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        // NewOnly never opens a file that is there already, nor one that a symbolic link points to.
        // Unbuffered: a full disk shows in the write that meets it, with its reason.
        if (open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            m_created = true;
            return true;
        }
        if (!exists())
            return false;
    }
    return false;
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
