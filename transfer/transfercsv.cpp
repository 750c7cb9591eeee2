#include "transfer/transfercsv.h"

#include <QSaveFile>
#include <QStringList>

namespace {
QString transferCsvField(QString text)
{
    // A cell that starts like a formula would be run by a spreadsheet; names come from the server.
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n'))
        || text.contains(QLatin1Char('\r')) || text.startsWith(QLatin1Char(' '))
        || text.endsWith(QLatin1Char(' ')))
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text;
}

QString transferCsvTime(const QDateTime& time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}
} // namespace

QByteArray TransferCsv::text(const QList<Row>& rows)
{
    QString out = QStringLiteral("item,local path,remote path,size,code,outcome,revision,started,ended,bytes,"
                                 "attempts\r\n");
    for (const Row& row : rows) {
        const QStringList fields { transferCsvField(row.item), transferCsvField(row.localPath),
            transferCsvField(row.remotePath), QString::number(row.size), QString::number(row.code),
            transferCsvField(row.outcome), row.revision > 0 ? QString::number(row.revision) : QString(),
            transferCsvTime(row.started), transferCsvTime(row.ended), QString::number(row.bytes),
            QString::number(row.attempts) };
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

bool TransferCsv::write(const QString& path, const QList<Row>& rows)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text(rows);
    return file.write(bytes) == bytes.size() && file.commit();
}
