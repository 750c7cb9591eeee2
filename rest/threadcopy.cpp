#include "rest/threadcopy.h"

QString threadCopy(const QString& text)
{
    return QString(text.constData(), text.size());
}

QStringList threadCopy(const QStringList& texts)
{
    QStringList copies;
    copies.reserve(texts.size());
    for (const QString& text : texts)
        copies.append(threadCopy(text));
    return copies;
}
