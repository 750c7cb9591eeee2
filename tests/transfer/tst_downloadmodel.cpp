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
    void init();
    void columnsShowTheItemAndItsStatus();
    void typeIconFollowsTheObjectTypeNotTheStatus_data();
    void typeIconFollowsTheObjectTypeNotTheStatus();
    void statusIconAndToolTipFollowTheCode_data();
    void statusIconAndToolTipFollowTheCode();
    void onlyTheStatusCellsOfTheTableAreWritable();
    void statusWriteReachesTheListAndTheViews();

private:
    QList<DownloadItem> m_items;
};

void TestDownloadModel::init()
{
    m_items = { downloadModelItem(QStringLiteral("Project"), QStringLiteral("Bridge")),
        downloadModelItem(QStringLiteral("Folder"), QStringLiteral("Plans"), QStringLiteral("documents")),
        downloadModelItem(QStringLiteral("Document"), QStringLiteral("deck.pdf")) };
}

void TestDownloadModel::columnsShowTheItemAndItsStatus()
{
    DownloadModel model(&m_items);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QStringList texts;
    for (int column = 0; column < 5; ++column)
        texts << model.data(model.index(2, column)).toString();
    QCOMPARE(texts, QStringList({ "deck.pdf", "Project/Folder", "the description", "Draft", "" }));
}

void TestDownloadModel::typeIconFollowsTheObjectTypeNotTheStatus_data()
{
    QTest::addColumn<QString>("objectType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folderType");
    QTest::addColumn<QString>("icon");
    const auto row = [](const char* tag, const QString& type, const QString& name, const QString& folderType,
                         const QString& icon) { QTest::newRow(tag) << type << name << folderType << icon; };
    row("project", "Project", "Bridge", "", ":/images/icons/project.gif");
    row("folder by type", "Folder", "Mail", "mail", folderIconPath(QStringLiteral("mail")));
    row("document by name", "Document", "a.xls", "", documentIconPath(QStringLiteral("a.xls")));
    row("type is case-sensitive", "project", "a.pdf", "", documentIconPath(QStringLiteral("a.pdf")));
}

void TestDownloadModel::typeIconFollowsTheObjectTypeNotTheStatus()
{
    QFETCH(QString, objectType);
    QFETCH(QString, name);
    QFETCH(QString, folderType);
    QFETCH(QString, icon);
    QList<DownloadItem> items { downloadModelItem(objectType, name, folderType) };
    DownloadModel model(&items);
    const QImage expected = downloadModelImage(QIcon(icon));
    QCOMPARE(downloadModelImage(model.data(model.index(0, 0), Qt::DecorationRole)), expected);
    items[0].setStatus(ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("x")));
    QCOMPARE(downloadModelImage(model.data(model.index(0, 0), Qt::DecorationRole)), expected);
}

void TestDownloadModel::statusIconAndToolTipFollowTheCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("icon");
    QTest::newRow("listed") << 0 << "";
    QTest::newRow("queued") << 1 << ":/images/icons/wait.gif";
    QTest::newRow("failed") << 2 << ":/images/icons/warning.gif";
    QTest::newRow("done") << 3 << ":/images/icons/ok.gif";
    QTest::newRow("unknown") << 9 << "";
}

void TestDownloadModel::statusIconAndToolTipFollowTheCode()
{
    QFETCH(int, code);
    QFETCH(QString, icon);
    m_items[1].setStatus(ModelItemStatus(code, QStringLiteral("Canceled by user")));
    DownloadModel model(&m_items);
    const QVariant decoration = model.data(model.index(1, 4), Qt::DecorationRole);
    if (icon.isEmpty())
        QVERIFY(!decoration.isValid());
    else
        QCOMPARE(downloadModelImage(decoration), downloadModelImage(QIcon(icon)));
    QCOMPARE(model.data(model.index(1, 4), Qt::ToolTipRole).toString(), QStringLiteral("Canceled by user"));
    QVERIFY(!model.data(model.index(1, 4), Qt::DisplayRole).isValid());
}

void TestDownloadModel::onlyTheStatusCellsOfTheTableAreWritable()
{
    DownloadModel model(&m_items);
    QStandardItemModel other(5, 6);
    for (const QModelIndex& outside : { model.index(3, 0), other.index(0, 0), QModelIndex() })
        QVERIFY(!model.data(outside, Qt::DisplayRole).isValid());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const auto status
        = QVariant::fromValue(ModelItemStatus(ModelItemStatus::Done, QStringLiteral("Successful")));
    for (int column = 0; column < 4; ++column)
        QVERIFY(!model.setData(model.index(0, column), status, Qt::EditRole));
    QVERIFY(!model.setData(model.index(0, 4), status, Qt::DisplayRole));
    QVERIFY(!model.setData(model.index(3, 4), status, Qt::EditRole));
    QVERIFY(!model.setData(other.index(0, 4), status, Qt::EditRole));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_items[0].status().code(), int(ModelItemStatus::Listed));
}

void TestDownloadModel::statusWriteReachesTheListAndTheViews()
{
    const QList<DownloadItem> before = m_items;
    DownloadModel model(&m_items);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(2, 4),
        QVariant::fromValue(ModelItemStatus(ModelItemStatus::Done, QStringLiteral("Overwritten"))),
        Qt::EditRole));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), model.index(2, 4));
    QCOMPARE(m_items[2].status().text(), QStringLiteral("Overwritten"));
    // The write detaches the dialog's list from any copy of it.
    QCOMPARE(before[2].status().code(), int(ModelItemStatus::Listed));

    // Something that is no status becomes the default status.
    QVERIFY(model.setData(model.index(2, 4), QStringLiteral("text"), Qt::EditRole));
    QCOMPARE(m_items[2].status().code(), int(ModelItemStatus::Queued));
    QCOMPARE(m_items[2].status().text(), QString());
}

QTEST_MAIN(TestDownloadModel)
#include "tst_downloadmodel.moc"
