#pragma once

#include "rest/restresponse.h"

#include <QString>

#include <exception>

// The failures of server calls. Each derives directly from std::exception, so a handler for one never
// catches another; handlers read the field, what() stays std::exception's.

// A local file cannot be opened for a transfer (stage Open, before any request), or failed while the
// transfer ran (stage Transfer: it could not be written, or it changed under an upload); message says
// which and why.
class IOException : public std::exception
{
public:
    enum class Stage
    {
        Open,
        Transfer
    };
    explicit IOException(const QString& text, Stage failedAt = Stage::Open)
        : message(text)
        , stage(failedAt)
    { }
    QString message;
    Stage stage;
};

// The libcurl handle cannot be created.
class CurlException : public std::exception
{
public:
    explicit CurlException(const QString& text)
        : message(text)
    { }
    QString message;
};

// A transfer did not complete: no connection, TLS failure, time-out, cancel, or a local read failure
// during the transfer.
class CurlConnectionException : public std::exception
{
public:
    explicit CurlConnectionException(const QString& text)
        : message(text)
    { }
    QString message;
};

// The session refused an answer; carries the refused response.
class RestException : public std::exception
{
public:
    explicit RestException(const RestResponse& refused)
        : response(refused)
    { }
    RestResponse response;
};
