#pragma once

#include <QDateTime>
#include <QString>

#include <rapidjson/fwd.h>

// How JSONParser reads one JSON value as a record field's type. Never throws.
class JsonValueReader final
{
public:
    // Strings decoded as UTF-8, numbers as their decimal text, booleans as "true"/"false"; null, arrays
    // and objects give the empty text.
    static QString text(const rapidjson::Value& value);
    // Integers as such, doubles truncated, strings holding a decimal integer converted, all saturated to
    // the result's range; any other value is 0.
    static int toInt(const rapidjson::Value& value);
    static qint64 toInt64(const rapidjson::Value& value);
    // True exactly when the value read as text is "true".
    static bool toBool(const rapidjson::Value& value);
    // ISO 8601 text in UTC: a time without a zone is UTC clock time, one with a zone is converted.
    // Anything else gives an invalid date-time.
    static QDateTime toUtcDateTime(const rapidjson::Value& value);

private:
    static qint64 toInteger(const rapidjson::Value& value, qint64 min, qint64 max);
};
