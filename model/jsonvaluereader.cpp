#include "model/jsonvaluereader.h"

#include "model/jsontext.h"

#include <QLocale>

#include <rapidjson/document.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

namespace {
// A decimal integer with optional sign and surrounding blanks, saturated to [min, max]; 0 for other text.
qint64 jsonValueReaderDecimal(std::string_view text, qint64 min, qint64 max)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return 0;
    qint64 result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        const int digit = c - '0';
        if (negative)
            result = result < (min + digit) / 10 ? min : std::max(min, result * 10 - digit);
        else
            result = result > (max - digit) / 10 ? max : std::min(max, result * 10 + digit);
    }
    return result;
}
} // namespace

QString JsonValueReader::text(const rapidjson::Value& value)
{
    if (value.IsString())
        return QString::fromUtf8(value.GetString(), qsizetype(value.GetStringLength()));
    if (value.IsBool())
        return boolText(value.GetBool());
    if (value.IsInt64())
        return QString::number(value.GetInt64());
    if (value.IsUint64())
        return QString::number(value.GetUint64());
    if (value.IsDouble())
        return QString::number(value.GetDouble(), 'g', QLocale::FloatingPointShortest);
    return QString();
}

qint64 JsonValueReader::toInteger(const rapidjson::Value& value, qint64 min, qint64 max)
{
    if (value.IsInt64())
        return std::clamp<qint64>(value.GetInt64(), min, max);
    if (value.IsUint64()) // beyond the qint64 range
        return max;
    if (value.IsDouble()) {
        const double truncated = std::trunc(value.GetDouble());
        if (!std::isfinite(truncated))
            return 0;
        if (truncated <= double(min))
            return min;
        if (truncated >= double(max))
            return max;
        return qint64(truncated);
    }
    if (value.IsString())
        return jsonValueReaderDecimal(std::string_view(value.GetString(), value.GetStringLength()), min, max);
    return 0;
}

int JsonValueReader::toInt(const rapidjson::Value& value)
{
    return int(toInteger(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 JsonValueReader::toInt64(const rapidjson::Value& value)
{
    return toInteger(value, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

bool JsonValueReader::toBool(const rapidjson::Value& value)
{
    return text(value) == QLatin1String("true");
}

QDateTime JsonValueReader::toUtcDateTime(const rapidjson::Value& value)
{
    const QString iso = text(value);
    if (iso.isEmpty())
        return QDateTime();
    const QDateTime parsed = QDateTime::fromString(iso, Qt::ISODate);
    if (parsed.isValid() && parsed.timeSpec() != Qt::LocalTime)
        return parsed.toUTC();
    // Read the clock time as UTC directly: going through local time would shift or lose a time that
    // falls into a daylight-saving gap here.
    const QDateTime utc = QDateTime::fromString(iso + QLatin1Char('Z'), Qt::ISODate);
    if (utc.isValid())
        return utc;
    if (parsed.isValid())
        return QDateTime(parsed.date(), parsed.time(), Qt::UTC);
    return QDateTime();
}
