#include "rest/rest.h"
#include "support/testserver.h"
#include "transfer/downloaddialog.h"

#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The download dialog on screen. Kept apart from tst_downloaddialog: painting runs on the toolkit's own
// thread pool, which the race checker cannot follow.
class TestDownloadDialogView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void enterStartsTheDownloadNotCancel();
    void columnsWidenForLongTextsOnly();

private:
    DownloadItem document(const QString& name, const QString& path) const
    {
        return DownloadItem(QStringLiteral("Document"), 21, name, QString(), path, QString(), QString(),
            ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), m_dir.path(), 10);
    }

    TestServer m_server;
    std::unique_ptr<Rest> m_rest;
    QTemporaryDir m_dir;
};

void TestDownloadDialogView::initTestCase()
{
    m_server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    m_server.on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanDownload":true})"));
    m_server.on("GET", "/protected/Document.download", TestReply::text(200, "content"));
    m_rest = std::make_unique<Rest>(m_server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
}

// Cancel, the first button that takes the default on focus, must not become the dialog's default when
// it is shown: Enter starts the download, and on the finished dialog closes it.
void TestDownloadDialogView::enterStartsTheDownloadNotCancel()
{
    DownloadDialog dialog(
        { document(QStringLiteral("a.txt"), QStringLiteral("Bridge")) }, 0, 1, m_rest.get(), m_dir.path());
    dialog.setMinimumSize(806, 400);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
    QVERIFY(start->isDefault());
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->isDefault());

    QSignalSpy finished(&dialog, &QDialog::finished);
    QTest::keyClick(dialog.findChild<QTableView*>(), Qt::Key_Return);
    QTRY_COMPARE(start->text(), QStringLiteral("Close"));
    QCOMPARE(finished.count(), 0);
    QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("a.txt"))));

    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished[0][0].toInt(), int(QDialog::Accepted));
}

// A path longer than its 200-pixel column widens the column and the dialog instead of being cut off; up
// to 400 pixels, beyond which the text is cut as before.
void TestDownloadDialogView::columnsWidenForLongTextsOnly()
{
    const QString path = QStringLiteral("Harbour Bridge Renovation/Contracts/Drawings/Details");
    const QString name = QStringLiteral("Subcontract scaffolding, second revision.pdf");
    const QString endless = QString(QStringLiteral("Folder/")).repeated(40);
    DownloadDialog dialog({ document(name, path), document(QStringLiteral("b.txt"), endless) }, 0, 2,
        m_rest.get(), m_dir.path());
    dialog.setMinimumSize(806, 400);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QTableView* view = dialog.findChild<QTableView*>();
    QVERIFY(view->columnWidth(0) > view->fontMetrics().horizontalAdvance(name) + 20);
    QCOMPARE(view->columnWidth(1), 400);
    QCOMPARE(view->columnWidth(2), 200);
    int tableWidth = 0;
    for (int column = 0; column < 5; ++column)
        tableWidth += view->columnWidth(column);
    QVERIFY(dialog.width() >= std::min(tableWidth, dialog.screen()->availableGeometry().width()));
}

QTEST_MAIN(TestDownloadDialogView)
#include "tst_downloaddialogview.moc"
