#include "rest/diagnosticlog.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex& logMutex()
{
    static std::mutex mutex;
    return mutex;
}

DiagnosticLog::Observer& logObserver()
{
    static DiagnosticLog::Observer observer;
    return observer;
}
} // namespace

void DiagnosticLog::write(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::lock_guard<std::mutex> lock(logMutex());
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
    if (logObserver())
        logObserver()(line);
}

void DiagnosticLog::setObserver(Observer observer)
{
    std::lock_guard<std::mutex> lock(logMutex());
    logObserver() = std::move(observer);
}
