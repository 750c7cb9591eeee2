#include "local/localtreemodelproxy.h"

#include <QDateTime>
#include <QFileSystemModel>

LocalTreeModelProxy::LocalTreeModelProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    m_names.setCaseSensitivity(Qt::CaseInsensitive);
}

bool LocalTreeModelProxy::filterAcceptsColumn(int sourceColumn, const QModelIndex&) const
{
    return sourceColumn != 2;
}

// The size and date texts compare wrongly ("1.1 MB" before "20 KB", "15 Oct" before "6 Dec"), so those
// columns compare the file system's values; equal values keep the order of the names.
bool LocalTreeModelProxy::lessThan(const QModelIndex& sourceLeft, const QModelIndex& sourceRight) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files)
        return QSortFilterProxyModel::lessThan(sourceLeft, sourceRight);
    // A descending sort asks the other way round; the folders stay on top all the same.
    const bool leftDir = files->isDir(sourceLeft);
    if (leftDir != files->isDir(sourceRight))
        return leftDir == (sortOrder() == Qt::AscendingOrder);
    if (sourceLeft.column() == 1 && !leftDir) {
        const qint64 leftSize = files->size(sourceLeft);
        const qint64 rightSize = files->size(sourceRight);
        if (leftSize != rightSize)
            return leftSize < rightSize;
    } else if (sourceLeft.column() == 3) {
        const QDateTime leftTime = files->lastModified(sourceLeft);
        const QDateTime rightTime = files->lastModified(sourceRight);
        if (leftTime != rightTime)
            return leftTime < rightTime;
    }
    const QString leftName = files->fileName(sourceLeft);
    const QString rightName = files->fileName(sourceRight);
    const int order = compareNames(leftName, rightName);
    return order != 0 ? order < 0 : leftName < rightName;
}

namespace {
// Two runs of digits by their value; leading zeros do not count.
int localTreeCompareNumbers(QStringView left, QStringView right)
{
    const auto significant = [](QStringView digits) {
        while (digits.size() > 1 && digits.front().digitValue() == 0)
            digits = digits.sliced(1);
        return digits;
    };
    left = significant(left);
    right = significant(right);
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    for (qsizetype i = 0; i < left.size(); ++i) {
        if (left[i].digitValue() != right[i].digitValue())
            return left[i].digitValue() < right[i].digitValue() ? -1 : 1;
    }
    return 0;
}

// The end of the run of digits or of other characters that starts at from.
qsizetype localTreeRunEnd(QStringView text, qsizetype from)
{
    const bool digits = text[from].isDigit();
    qsizetype end = from + 1;
    while (end < text.size() && text[end].isDigit() == digits)
        ++end;
    return end;
}
} // namespace

// Runs of digits compare by their value ("file 2" before "file 10"), the rest by the locale's collation.
// The collator's own numeric mode does not work in every locale (not in "C").
int LocalTreeModelProxy::compareNames(QStringView left, QStringView right) const
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < left.size() && j < right.size()) {
        const qsizetype leftEnd = localTreeRunEnd(left, i);
        const qsizetype rightEnd = localTreeRunEnd(right, j);
        const QStringView leftRun = left.sliced(i, leftEnd - i);
        const QStringView rightRun = right.sliced(j, rightEnd - j);
        const int order = leftRun.front().isDigit() && rightRun.front().isDigit()
            ? localTreeCompareNumbers(leftRun, rightRun)
            : m_names.compare(leftRun, rightRun);
        if (order != 0)
            return order;
        i = leftEnd;
        j = rightEnd;
    }
    if (i < left.size())
        return 1;
    return j < right.size() ? -1 : 0;
}
