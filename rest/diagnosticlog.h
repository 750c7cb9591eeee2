#pragma once

#include <QString>

#include <functional>

// The program's diagnostic lines: one line each on standard output, UTF-8, flushed at once; control
// characters in a line are written as escapes (\n, \t, \x1b), so that a line is always one line.
// Callable from any thread; lines never interleave.
class DiagnosticLog final
{
public:
    static void write(const QString& text);

    // Tests observe the lines through this; while an observer is set the lines still go to standard output.
    using Observer = std::function<void(const QString& line)>;
    static void setObserver(Observer observer);
};
