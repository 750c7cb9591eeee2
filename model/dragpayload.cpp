#include "model/dragpayload.h"

#include <QDataStream>
#include <QIODevice>

QByteArray DragPayload::write(const QStringList& entries)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    for (const QString& entry : entries)
        stream << entry;
    return payload;
}

QStringList DragPayload::read(const QByteArray& payload)
{
    QStringList entries;
    QDataStream stream(payload);
    while (!stream.atEnd()) {
        QString entry;
        stream >> entry;
        if (stream.status() != QDataStream::Ok)
            break;
        entries.append(entry);
    }
    return entries;
}
