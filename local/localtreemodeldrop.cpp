#include "local/localtreemodel.h"

// Downloads by drop are not offered yet: every drop is refused.
bool LocalTreeModel::dropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&)
{
    return false;
}
