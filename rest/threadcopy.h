#pragma once

#include <QString>
#include <QStringList>

// Copies that share no data with the original, for handing texts of the GUI thread's objects to work
// on another thread: the two sides then never count references on one buffer, which the thread checker
// of the tests cannot follow into Qt's own libraries.
QString threadCopy(const QString& text);
QStringList threadCopy(const QStringList& texts);
