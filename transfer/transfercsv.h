#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// A transfer's run as CSV (RFC 4180, UTF-8, CRLF line ends): a header line, then one line per item with
// what the user needs to keep of it. Texts that a spreadsheet would take for a formula get a leading
// apostrophe.
class TransferCsv final
{
public:
    struct Row
    {
        QString item;
        QString localPath;
        QString remotePath;
        qint64 size = 0;
        int code = 0;
        QString outcome;
        int revision = 0; // the revision an upload created; 0 for none
        QDateTime started; // invalid: the item was not reached
        QDateTime ended;
        qint64 bytes = 0;
        int attempts = 0;
    };

    static QByteArray text(const QList<Row>& rows);
    // Writes the text to path, replacing the file; false when it cannot be written.
    static bool write(const QString& path, const QList<Row>& rows);
};
