#pragma once

#include <QHash>
#include <QSortFilterProxyModel>

#include <functional>

// What a transfer table shows over its list model: the outcome of each row as text in the Progress
// column beside its icon (the tool tip keeps it too, and screen readers get it as the cell's name), a
// note per row until the row is queued (what it will become), the rows that run now with their
// progress, and on request only the rows that failed. The list model itself stays as it is. GUI thread
// only.
class TransferTableProxy final : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferTableProxy)

public:
    static constexpr int statusColumn = 4;

    // statusCode gives the status code of a row of the source model.
    TransferTableProxy(std::function<int(int row)> statusCode, QObject* parent = nullptr);

    void setProblemsOnly(bool problemsOnly);
    bool problemsOnly() const { return m_problemsOnly; }
    // The rows that run now, by source row, with what they show instead of their status.
    void setRunning(const QHash<int, QString>& running);
    // What each row (by source row) will become, shown until the row is queued.
    void setNotes(const QList<QString>& notes);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void statusChanged(int sourceRow);

    std::function<int(int row)> m_statusCode;
    bool m_problemsOnly = false;
    QHash<int, QString> m_running;
    QList<QString> m_notes;
};
