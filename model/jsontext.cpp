#include "model/jsontext.h"

QString jsonEscaped(const QString& value)
{
    static const char hexDigits[] = "0123456789abcdef";
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '"':
            escaped += QLatin1String("\\\"");
            break;
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        case '\b':
            escaped += QLatin1String("\\b");
            break;
        case '\f':
            escaped += QLatin1String("\\f");
            break;
        default:
            if (c.unicode() < 0x20) {
                escaped += QLatin1String("\\u00");
                escaped += QLatin1Char(hexDigits[c.unicode() >> 4]);
                escaped += QLatin1Char(hexDigits[c.unicode() & 0xf]);
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
