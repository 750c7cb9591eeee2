#include "transfer/uploaddelegate.h"
#include "transfer/uploadmodel.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {
bool uploadModelSameIcon(const QVariant& value, const QString& path)
{
    const QIcon icon = value.value<QIcon>();
    return !icon.isNull() && icon.pixmap(16).toImage() == QIcon(path).pixmap(16).toImage();
}
} // namespace

class TestUploadModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void cellsShowTheirRolesBeforeAndAfterTheStart();
    void statusEditTakesTheFirstOfAnExactName();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<UploadItem> m_items;
    QList<RestStatus> m_statuses;
};

void TestUploadModel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QDir(m_dir->path()).mkdir(QStringLiteral("plans"));
    QFile file(m_dir->filePath(QStringLiteral("plans/Site.PDF")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("pdf") == 3);
    file.close();
    m_statuses = { RestStatus(4, QStringLiteral("Draft"), 1), RestStatus(6, QStringLiteral("Final"), 2),
        RestStatus(8, QStringLiteral("Final"), 3) };
    const ModelItemStatus listed(ModelItemStatus::Listed, QString());
    m_items = { UploadItem(QFileInfo(m_dir->filePath(QStringLiteral("plans"))), m_statuses[0], listed,
                    QString(), { 1 }, -1, -1, QString()),
        UploadItem(QFileInfo(file.fileName()), m_statuses[0], listed, QStringLiteral("first issue"), {}, 0,
            -1, QString()) };
}

void TestUploadModel::cleanup()
{
    m_dir.reset();
}

void TestUploadModel::cellsShowTheirRolesBeforeAndAfterTheStart()
{
    UploadModel model(&m_items, m_statuses);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const auto cell = [&model](int row, int column, int role = Qt::DisplayRole) {
        return model.data(model.index(row, column), role);
    };
    QCOMPARE(cell(1, 1).toString(), QFileInfo(m_dir->filePath(QStringLiteral("plans"))).absoluteFilePath());
    QVERIFY(
        uploadModelSameIcon(cell(1, 0, Qt::DecorationRole), QStringLiteral(":/images/icons/doc_pdf.png")));
    QCOMPARE(cell(1, 5).toString(), QStringLiteral("3 bytes"));
    QVERIFY(!cell(0, 5).isValid());

    // Before the start the editors cover the two cells; their values come from the edit role.
    QVERIFY(!cell(1, 2).isValid() && !cell(1, 3).isValid());
    QCOMPARE(cell(1, 2, Qt::EditRole).toString(), QStringLiteral("first issue"));
    QCOMPARE(cell(1, 3, Qt::EditRole).toString(), QStringLiteral("Draft"));
    model.setTransferStarted(true);
    QCOMPARE(cell(1, 2).toString(), QStringLiteral("first issue"));
    QCOMPARE(cell(1, 3).toString(), QStringLiteral("Draft"));
    QVERIFY(!cell(0, 3).isValid());

    // The transfer column shows the item's state as an icon with its text as the tool tip, once queued.
    QVERIFY(!cell(1, 4, Qt::DecorationRole).isValid() && !cell(1, 4, Qt::ToolTipRole).isValid());
    QVERIFY(model.setData(model.index(1, 4), QVariant::fromValue(ModelItemStatus(2, "Canceled"))));
    QVERIFY(
        uploadModelSameIcon(cell(1, 4, Qt::DecorationRole), QStringLiteral(":/images/icons/warning.gif")));
    QCOMPARE(cell(1, 4, Qt::ToolTipRole).toString(), QStringLiteral("Canceled"));
}

// A status is taken only by its exact name, the first of that name, at once from the editor too; the
// description and the transfer status are written by the dialog and worker tests.
void TestUploadModel::statusEditTakesTheFirstOfAnExactName()
{
    UploadModel model(&m_items, m_statuses);
    QSignalSpy changed(&model, &UploadModel::dataChanged);
    QVERIFY(!model.setData(model.index(1, 3), QStringLiteral("final")));
    QVERIFY(!model.setData(model.index(1, 0), QStringLiteral("x")));
    QCOMPARE(changed.size(), 0);
    QVERIFY(model.setData(model.index(1, 3), QStringLiteral("Final")));
    QCOMPARE(m_items.at(1).documentStatus().id(), 6);
    QCOMPARE(changed.size(), 1);

    QTableView view;
    UploadDelegate delegate(m_statuses);
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.openPersistentEditor(model.index(1, 3));
    auto* combo = qobject_cast<QComboBox*>(view.indexWidget(model.index(1, 3)));
    combo->setCurrentIndex(0);
    QCOMPARE(m_items.at(1).documentStatus().id(), 4);
    m_items[1].setDocumentStatus(RestStatus(9, QStringLiteral("draft"), 1));
    delegate.setEditorData(combo, model.index(1, 3));
    QCOMPARE(combo->currentIndex(), -1);
}

QTEST_MAIN(TestUploadModel)
#include "tst_uploadmodel.moc"
