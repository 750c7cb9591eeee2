#include "model/restcontact.h"
#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restfolderaccess.h"
#include "model/restproject.h"
#include "model/reststatus.h"

#include <QTest>

#include <limits>
#include <memory>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void defaultsOfDefaultConstructedRecords();
    void constructorsPlaceEveryArgument();
    void folderChildCountFollowsNrChildrenAndNrItems();
    void folderChildCountSaturatesInsteadOfOverflowing();
    void documentNeverHasChildren();
    void heapCopyThroughBaseKeepsEveryField();
};

void TestRecords::defaultsOfDefaultConstructedRecords()
{
    const RestProject project;
    QVERIFY(project.isFree());
    QVERIFY(!project.isActive());
    QCOMPARE(project.id(), 0);
    QVERIFY(project.name().isEmpty());

    const RestDocument document;
    QCOMPARE(document.nrRevisions(), 1);
    QCOMPARE(document.revisionNr(), 1);
    QCOMPARE(document.size(), 0);
    QVERIFY(document.uploaded().isNull());

    const RestFolder folder;
    QCOMPARE(folder.childCount(), 0);
    const RestFolderAccess access;
    QVERIFY(access
        == RestFolderAccess(false, false, false, false, false, false, false, false, false, false, false,
            false, false, false, false, false, false, false));
    QVERIFY(access.objectType().isEmpty());
    QCOMPARE(RestStatus().sequence(), 0);
    QVERIFY(!RestContact().isAdmin());
}

// Every argument gets a distinct value, so a swapped pair shows.
void TestRecords::constructorsPlaceEveryArgument()
{
    const RestProject project(QStringLiteral("Project"), 1, QStringLiteral("name"), 2,
        QStringLiteral("address"), QStringLiteral("city"), QStringLiteral("zip"), 3,
        QStringLiteral("details"), QStringLiteral("tz"), 4, 5, true, false, false);
    QCOMPARE(project.objectType(), QStringLiteral("Project"));
    QCOMPARE(project.id(), 1);
    QCOMPARE(project.name(), QStringLiteral("name"));
    QCOMPARE(project.childCount(), 2);
    QCOMPARE(project.address(), QStringLiteral("address"));
    QCOMPARE(project.city(), QStringLiteral("city"));
    QCOMPARE(project.zip(), QStringLiteral("zip"));
    QCOMPARE(project.countryId(), 3);
    QCOMPARE(project.details(), QStringLiteral("details"));
    QCOMPARE(project.timezone(), QStringLiteral("tz"));
    QCOMPARE(project.adminRoleId(), 4);
    QCOMPARE(project.createdById(), 5);
    QVERIFY(project.isLocked());
    QVERIFY(!project.isActive());
    QVERIFY(!project.isFree());

    const RestFolder folder(QStringLiteral("Folder"), 1, QStringLiteral("name"), QStringLiteral("path"),
        QStringLiteral("documents"), 2, 3, QStringLiteral("url"), 4, 5);
    QCOMPARE(folder.path(), QStringLiteral("path"));
    QCOMPARE(folder.type(), QStringLiteral("documents"));
    QCOMPARE(folder.parentId(), 2);
    QCOMPARE(folder.projectId(), 3);
    QCOMPARE(folder.url(), QStringLiteral("url"));
    QCOMPARE(folder.nrChildren(), 4);
    QCOMPARE(folder.nrItems(), 5);

    const QDateTime uploaded(QDate(2020, 5, 20), QTime(10, 30), Qt::UTC);
    const RestDocument document(QStringLiteral("Document"), 1, QStringLiteral("name"), 2, 3,
        QStringLiteral("description"), 4, uploaded, 5, 6, Q_INT64_C(7), 8, 9, 10, 11,
        QStringLiteral("checked out"));
    QCOMPARE(document.nrRevisions(), 2);
    QCOMPARE(document.folderId(), 3);
    QCOMPARE(document.description(), QStringLiteral("description"));
    QCOMPARE(document.authorId(), 4);
    QCOMPARE(document.uploaded(), uploaded);
    QCOMPARE(document.revisionNr(), 5);
    QCOMPARE(document.revisionId(), 6);
    QCOMPARE(document.size(), Q_INT64_C(7));
    QCOMPARE(document.statusId(), 8);
    QCOMPARE(document.conversionStatus(), 9);
    QCOMPARE(document.nrViews(), 10);
    QCOMPARE(document.checkedOutById(), 11);
    QCOMPARE(document.checkedOutOn(), QStringLiteral("checked out"));

    const RestContact contact(1, QStringLiteral("first"), QStringLiteral("last"), QStringLiteral("address"),
        QStringLiteral("city"), QStringLiteral("zip"), QStringLiteral("state"), 2, QStringLiteral("phone"),
        QStringLiteral("fax"), QStringLiteral("mobile"), QStringLiteral("email"), QStringLiteral("function"),
        3, true);
    QCOMPARE(contact.id(), 1);
    QCOMPARE(contact.firstName(), QStringLiteral("first"));
    QCOMPARE(contact.lastName(), QStringLiteral("last"));
    QCOMPARE(contact.state(), QStringLiteral("state"));
    QCOMPARE(contact.countryId(), 2);
    QCOMPARE(contact.phone(), QStringLiteral("phone"));
    QCOMPARE(contact.fax(), QStringLiteral("fax"));
    QCOMPARE(contact.mobile(), QStringLiteral("mobile"));
    QCOMPARE(contact.email(), QStringLiteral("email"));
    QCOMPARE(contact.function(), QStringLiteral("function"));
    QCOMPARE(contact.organizationId(), 3);
    QVERIFY(contact.isAdmin());
    QVERIFY(contact.objectType().isEmpty());

    const RestStatus status(1, QStringLiteral("Approved"), 2);
    QCOMPARE(status.id(), 1);
    QCOMPARE(status.name(), QStringLiteral("Approved"));
    QCOMPARE(status.sequence(), 2);

    // Only the 2nd and the last flag set: the JSON form lists the flags in constructor order.
    const RestFolderAccess access(false, true, false, false, false, false, false, false, false, false, false,
        false, false, false, false, false, false, true);
    QVERIFY(access.canView());
    QVERIFY(access.isAdmin());
    QVERIFY(!access.canViewOwn());
    QVERIFY(!access.canAddForm());
}

void TestRecords::folderChildCountFollowsNrChildrenAndNrItems()
{
    RestFolder folder(QStringLiteral("Folder"), 1, QStringLiteral("f"), QStringLiteral("p"), QString(), 0, 1,
        QString(), 2, 3);
    QCOMPARE(folder.childCount(), 5);
    folder.setNrChildren(0);
    QCOMPARE(folder.childCount(), 3);
    folder.setNrItems(0);
    QCOMPARE(folder.childCount(), 0);
    folder.setNrItems(4);
    folder.setNrChildren(1);
    QCOMPARE(folder.childCount(), 5);
}

void TestRecords::folderChildCountSaturatesInsteadOfOverflowing()
{
    constexpr int big = std::numeric_limits<int>::max();
    const RestFolder folder(QString(), 0, QString(), QString(), QString(), 0, 0, QString(), big, big);
    QCOMPARE(folder.childCount(), big);
    RestFolder negative;
    negative.setNrChildren(std::numeric_limits<int>::min());
    negative.setNrItems(-1);
    QCOMPARE(negative.childCount(), std::numeric_limits<int>::min());
}

void TestRecords::documentNeverHasChildren()
{
    const RestDocument document(QStringLiteral("Document"), 1, QStringLiteral("d"), 7, 2, QString(), 3,
        QDateTime(), 7, 4, 100, 0, 0, 0, 0, QString());
    QCOMPARE(document.childCount(), 0);
}

// The remote tree keeps heap copies of records and deletes them through RestObject*.
void TestRecords::heapCopyThroughBaseKeepsEveryField()
{
    RestProject project(QStringLiteral("Project"), 9, QStringLiteral("Tower"), 4, QStringLiteral("Main St 1"),
        QStringLiteral("Springfield"), QStringLiteral("12345"), 31, QStringLiteral("notes"),
        QStringLiteral("Europe/Amsterdam"), 2, 3, true, true, false);
    std::unique_ptr<RestObject> node(new RestProject(project));
    const auto* copy = dynamic_cast<const RestProject*>(node.get());
    QVERIFY(copy);
    QVERIFY(*copy == project);
    QVERIFY(!copy->isFree());
    QCOMPARE(node->toString(), project.toString());

    RestProject assigned;
    assigned = project;
    QVERIFY(assigned == project);
    assigned.setChildCount(5);
    QVERIFY(assigned != project);

    node.reset(new RestFolder(QStringLiteral("Folder"), 1, QStringLiteral("f"), QStringLiteral("a/b"),
        QStringLiteral("documents"), 0, 9, QStringLiteral("u"), 1, 1));
    QCOMPARE(node->childCount(), 2);
    node.reset(); // the folder's own strings are released through the virtual destructor (leak-checked
                  // builds)
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
