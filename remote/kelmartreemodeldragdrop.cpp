#include "remote/kelmartreemodel.h"

#include <QStringList>

// Nothing is accepted from a drag yet, and rows carry nothing when dragged out.
QStringList KelmarTreeModel::mimeTypes() const
{
    return QStringList();
}
