#pragma once

#include <QIcon>
#include <QString>

// The pictures of every tree and list of the program: a server folder's icon by its folder type, a
// document's or local file's icon by the extension of its name. A new icon is made on every call.

QIcon folderIcon(const QString& type);
QIcon documentIcon(const QString& name);
// Everything after the last "." of name, lower-cased; "" when name has no ".".
QString fileExtension(const QString& name);

// The resource paths behind the two icons.
QString folderIconPath(const QString& type);
QString documentIconPath(const QString& name);
