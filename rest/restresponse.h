#pragma once

#include <QString>

// Status code and body of one HTTP exchange, as the server sent them.
struct RestResponse
{
    int statusCode = 0;
    QString body; // decoded as UTF-8; empty for a download, whose body went to a file
    qint64 sentBytes = -1; // the bytes of an uploaded file that were sent; -1 for other requests
    bool rangeRefused = false; // a resumed download whose answer did not continue the body; none written
};
