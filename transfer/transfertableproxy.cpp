#include "transfer/transfertableproxy.h"

#include "transfer/modelitemstatus.h"

TransferTableProxy::TransferTableProxy(std::function<int(int row)> statusCode, QObject* parent)
    : QSortFilterProxyModel(parent)
    , m_statusCode(std::move(statusCode))
{ }

void TransferTableProxy::setProblemsOnly(bool problemsOnly)
{
    if (problemsOnly == m_problemsOnly)
        return;
    m_problemsOnly = problemsOnly;
    invalidateFilter();
}

void TransferTableProxy::setRunning(const QHash<int, QString>& running)
{
    const QHash<int, QString> before = m_running;
    m_running = running;
    for (auto row = before.cbegin(); row != before.cend(); ++row) {
        if (running.value(row.key()) != row.value())
            statusChanged(row.key());
    }
    for (auto row = running.cbegin(); row != running.cend(); ++row) {
        if (!before.contains(row.key()))
            statusChanged(row.key());
    }
}

void TransferTableProxy::setNotes(const QList<QString>& notes)
{
    m_notes = notes;
    const int rows = rowCount();
    if (rows > 0)
        emit dataChanged(index(0, statusColumn), index(rows - 1, statusColumn));
}

void TransferTableProxy::statusChanged(int sourceRow)
{
    const QModelIndex cell = mapFromSource(sourceModel()->index(sourceRow, statusColumn));
    if (cell.isValid())
        emit dataChanged(cell, cell,
            { Qt::DisplayRole, Qt::ToolTipRole, Qt::AccessibleTextRole, Qt::AccessibleDescriptionRole });
}

QVariant TransferTableProxy::data(const QModelIndex& index, int role) const
{
    const bool text = role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole
        || role == Qt::AccessibleDescriptionRole;
    if (index.column() != statusColumn || !text)
        return QSortFilterProxyModel::data(index, role);
    const int sourceRow = mapToSource(index).row();
    const auto running = m_running.constFind(sourceRow);
    if (running != m_running.cend())
        return *running;
    if (m_statusCode(sourceRow) == ModelItemStatus::Listed)
        return m_notes.value(sourceRow);
    // The outcome is read where it is shown, not only by hovering over the icon, and read out too.
    return QSortFilterProxyModel::data(index, Qt::ToolTipRole);
}

bool TransferTableProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return !m_problemsOnly || m_statusCode(sourceRow) == ModelItemStatus::Failed;
}
