#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

// Collects the diagnostic lines written while it lives (from any thread).
class LineRecorder final
{
public:
    LineRecorder();
    ~LineRecorder();
    LineRecorder(const LineRecorder&) = delete;
    LineRecorder& operator=(const LineRecorder&) = delete;

    QStringList lines() const;
    bool contains(const QString& line) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
};

// Takes the place of the error boxes while it lives: each box is recorded and answered at once.
class BoxRecorder final
{
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    QStringList texts() const { return m_texts; }

private:
    QStringList m_texts;
};
