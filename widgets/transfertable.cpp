#include "widgets/transfertable.h"

#include <QDialog>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

namespace {
const int transferTableMaxColumnWidth = 400;
} // namespace

void fitTransferTable(QDialog* dialog, QTableView* view, const std::array<int, 5>& widths)
{
    // The table view hides its override; the item view's is the same function.
    const QAbstractItemView* items = view;
    int tableWidth = 0;
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
        const int needed = std::min(transferTableMaxColumnWidth,
            std::max(items->sizeHintForColumn(column), view->horizontalHeader()->sectionSizeHint(column)));
        const int width = std::max(widths[column], needed);
        view->setColumnWidth(column, width);
        tableWidth += width;
    }

    // The vertical scroll bar is counted too, so that a long list does not hide the last column.
    const QMargins margins = dialog->layout() ? dialog->layout()->contentsMargins() : QMargins();
    int wanted = tableWidth + 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width()
        + margins.left() + margins.right();
    if (const QScreen* screen = dialog->screen())
        wanted = std::min(wanted, screen->availableGeometry().width());
    const QSize hint = dialog->sizeHint();
    if (wanted > hint.width())
        dialog->resize(wanted, hint.height());
}
