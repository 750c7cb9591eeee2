#include "widgets/sizetext.h"

#include <QCoreApplication>
#include <QLocale>

QString sizeText(qint64 size)
{
    constexpr qint64 kib = 1024;
    constexpr qint64 mib = kib * 1024;
    constexpr qint64 gib = mib * 1024;
    const QLocale locale;
    if (size >= gib) {
        return QCoreApplication::translate("QFileSystemModel", "%1 GB")
            .arg(locale.toString(static_cast<double>(size) / gib, 'f', 2));
    }
    if (size >= mib) {
        return QCoreApplication::translate("QFileSystemModel", "%1 MB")
            .arg(locale.toString(static_cast<double>(size) / mib, 'f', 1));
    }
    if (size >= kib)
        return QCoreApplication::translate("QFileSystemModel", "%1 KB").arg(locale.toString(size >> 10));
    return QCoreApplication::translate("QFileSystemModel", "%1 bytes").arg(locale.toString(size));
}
