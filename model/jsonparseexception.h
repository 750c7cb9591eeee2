#pragma once

#include <QString>

#include <exception>

// Text handed to JSONParser is not well-formed JSON. Derives directly from std::exception; handlers read
// the field, what() stays std::exception's.
class JSONParseException : public std::exception
{
public:
    explicit JSONParseException(const QString& text)
        : message(text)
    { }
    QString message;
};
