#include "remote/itemicons.h"
#include "transfer/downloadmodel.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QImage>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

namespace {
DownloadItem downloadModelItem(
    const QString& objectType, const QString& name, const QString& folderType = QString())
{
    return DownloadItem(objectType, 7, name, folderType, QStringLiteral("Project/Folder"),
        QStringLiteral("the description"), QStringLiteral("Draft"),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), QStringLiteral("/target"), 3);
}

QImage downloadModelImage(const QVariant& icon)
{
    return icon.value<QIcon>().pixmap(16, 16).toImage();
}
} // namespace

class TestDownloadModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void columnsAndIconsShowTheItemAndItsStatus_data();
    void columnsAndIconsShowTheItemAndItsStatus();
    void onlyTheStatusCellIsWritable();
};

void TestDownloadModel::columnsAndIconsShowTheItemAndItsStatus_data()
{
    QTest::addColumn<QString>("objectType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folderType");
    QTest::addColumn<QString>("icon");
    const auto row = [](const char* tag, const QString& type, const QString& name, const QString& folderType,
                         const QString& icon) { QTest::newRow(tag) << type << name << folderType << icon; };
    row("project", "Project", "Bridge", "", ":/images/icons/project.gif");
    row("folder by type", "Folder", "Mail", "mail", folderIconPath(QStringLiteral("mail")));
    row("type is case-sensitive", "project", "a.pdf", "", documentIconPath(QStringLiteral("a.pdf")));
}

// The type icon follows the object type, never the status; the status shows as icon and tool tip only.
void TestDownloadModel::columnsAndIconsShowTheItemAndItsStatus()
{
    QFETCH(QString, objectType);
    QFETCH(QString, name);
    QFETCH(QString, folderType);
    QFETCH(QString, icon);
    QList<DownloadItem> items { downloadModelItem(objectType, name, folderType) };
    DownloadModel model(&items);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QStringList texts;
    for (int column = 0; column < 5; ++column)
        texts << model.data(model.index(0, column)).toString();
    QCOMPARE(texts, QStringList({ name, "Project/Folder", "the description", "Draft", "" }));
    const QImage expected = downloadModelImage(QIcon(icon));
    QCOMPARE(downloadModelImage(model.data(model.index(0, 0), Qt::DecorationRole)), expected);
    QVERIFY(!model.data(model.index(0, 4), Qt::DecorationRole).isValid());

    items[0].setStatus(ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("Canceled by user")));
    QCOMPARE(downloadModelImage(model.data(model.index(0, 0), Qt::DecorationRole)), expected);
    QCOMPARE(downloadModelImage(model.data(model.index(0, 4), Qt::DecorationRole)),
        downloadModelImage(QIcon(QStringLiteral(":/images/icons/warning.gif"))));
    QCOMPARE(model.data(model.index(0, 4), Qt::ToolTipRole).toString(), QStringLiteral("Canceled by user"));
}

void TestDownloadModel::onlyTheStatusCellIsWritable()
{
    QList<DownloadItem> items { downloadModelItem(QStringLiteral("Document"), QStringLiteral("deck.pdf")) };
    const QList<DownloadItem> before = items;
    DownloadModel model(&items);
    QStandardItemModel other(5, 6);
    QVERIFY(!model.data(other.index(0, 0), Qt::DisplayRole).isValid());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const auto status
        = QVariant::fromValue(ModelItemStatus(ModelItemStatus::Done, QStringLiteral("Overwritten")));
    QVERIFY(!model.setData(model.index(0, 3), status, Qt::EditRole));
    QVERIFY(!model.setData(model.index(0, 4), status, Qt::DisplayRole));
    QVERIFY(!model.setData(other.index(0, 4), status, Qt::EditRole));
    QCOMPARE(changed.count(), 0);

    QVERIFY(model.setData(model.index(0, 4), status, Qt::EditRole));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), model.index(0, 4));
    QCOMPARE(items[0].status().text(), QStringLiteral("Overwritten"));
    // The write detaches the dialog's list from any copy of it.
    QCOMPARE(before[0].status().code(), int(ModelItemStatus::Listed));
}

QTEST_MAIN(TestDownloadModel)
#include "tst_downloadmodel.moc"
