#include "rest/diagnosticlog.h"
#include "support/recorders.h"

LineRecorder::LineRecorder()
{
    DiagnosticLog::setObserver([this](const QString& line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.append(line);
    });
}

LineRecorder::~LineRecorder()
{
    DiagnosticLog::setObserver(nullptr);
}

QStringList LineRecorder::lines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool LineRecorder::contains(const QString& line) const
{
    return lines().contains(line);
}

void LineRecorder::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}
