#include "rest/diagnosticlog.h"

#include <algorithm>
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

// Control characters and line separators, which would split a line or garble the terminal.
bool logIsControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0x2028 || c == 0x2029;
}

// Names from the server or the disk may hold line breaks; written as escapes, a line stays one line.
QString logOneLine(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return logIsControl(c.unicode()); }))
        return text;
    QString line;
    line.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n')
            line += QLatin1String("\\n");
        else if (u == u'\r')
            line += QLatin1String("\\r");
        else if (u == u'\t')
            line += QLatin1String("\\t");
        else if (u < 0x100 && logIsControl(u))
            line += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
        else if (logIsControl(u))
            line += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return line;
}
} // namespace

void DiagnosticLog::write(const QString& text)
{
    const QString line = logOneLine(text);
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
