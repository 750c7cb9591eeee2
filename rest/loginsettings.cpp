#include "rest/loginsettings.h"

#include <QDir>
#include <QStandardPaths>

QString settingsDirectory()
{
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Torvex/TorvexTransfer"));
}

QString settingsFilePath()
{
    return settingsDirectory() + QLatin1Char('/') + QLatin1String(settingsFileName);
}
