#pragma once

#include <QString>

// Pieces of the JSON and text forms that the program writes.

// The value escaped for use between the quotes of a JSON string: quote, backslash and control
// characters become escapes; everything else, non-ASCII included, stays as it is.
QString jsonEscaped(const QString& value);

// "true" or "false", as both the JSON and the text forms write booleans.
QString boolText(bool value);
