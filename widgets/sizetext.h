#pragma once

#include <QString>
#include <QtGlobal>

// A byte count as both trees show it, in steps of 1024: "500 bytes", "512 KB", "1.5 MB", "5.00 GB". The
// number is in the default locale's notation; the unit texts are translated in the context
// "QFileSystemModel", so that the toolkit's own translations of them apply.
QString sizeText(qint64 size);
