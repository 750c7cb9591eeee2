#pragma once

#include <QtGlobal>

#include <deque>
#include <utility>

// The speed of a transfer as the bytes it moved over the last few seconds: fed with the running total
// now and then, it averages over its window, so a transfer that stalls falls to zero within the window.
class TransferRate final
{
public:
    explicit TransferRate(qint64 windowMilliseconds = 5000);

    // The bytes moved so far at a time in milliseconds (any clock that does not go back).
    void addSample(qint64 milliseconds, qint64 bytes);
    // Bytes per second over the window; 0 until two samples lie a moment apart.
    double bytesPerSecond() const;
    // How many milliseconds the samples in the window cover.
    qint64 coveredMilliseconds() const;

private:
    qint64 m_window;
    std::deque<std::pair<qint64, qint64>> m_samples; // time, bytes
};
