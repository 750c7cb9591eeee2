#pragma once

#include <QByteArray>
#include <QStringList>

// The drag payload "application/vnd.text.list" between the two trees: one QString per dragged row,
// in a QDataStream.
class DragPayload final
{
public:
    static QByteArray write(const QStringList& entries);
    // A stream cut short yields the entries before the cut.
    static QStringList read(const QByteArray& payload);
};
