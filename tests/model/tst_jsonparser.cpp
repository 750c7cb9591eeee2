#include "model/jsonparseexception.h"
#include "model/jsonparser.h"

#include <QTest>

#include <cstdlib>
#include <ctime>
#include <limits>

class TestJsonParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rootsOfEveryShape();
    void booleanIsTrueOnlyForTheTextTrue_data();
    void booleanIsTrueOnlyForTheTextTrue();
    void integerConversion_data();
    void integerConversion();
    void textConversion_data();
    void textConversion();
    void keysMatchExactlyInAnyOrderAndLaterDuplicateWins();
    void uploadedIsHeldInUtc_data();
    void uploadedIsHeldInUtc();
    void listsKeepTheServersOrderAndLength();
    void malformedTextThrowsJsonParseException_data();
    void malformedTextThrowsJsonParseException();
    void deepNestingDoesNotExhaustTheStack();
};

// Dates without a zone are UTC; the local zone, here one with daylight saving, must not matter.
void TestJsonParser::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

// An empty list, an object where a list is expected, or a scalar: no records, no crash. The lists and
// the records each share one walk over the root, so one entry point of each kind stands for the others.
void TestJsonParser::rootsOfEveryShape()
{
    const QString empty = QStringLiteral(" [ ] ");
    QVERIFY(JSONParser::parseFolders(empty).isEmpty());
    QCOMPARE(JSONParser::countElements(empty), 0);

    const QString object = QStringLiteral(R"({"a":{"ID":3,"Name":"x"},"b":5,"c":{"Name":"y"}})");
    QCOMPARE(JSONParser::countElements(object), 3);
    QCOMPARE(JSONParser::parseIds(object), QList<int>({ 3, -1, -1 }));
    const QList<RestFolder> folders = JSONParser::parseFolders(object);
    QCOMPARE(folders.size(), 3);
    QCOMPARE(folders.at(0).name(), QStringLiteral("x"));
    QVERIFY(folders.at(1) == RestFolder());

    for (const QString& scalar :
        { QStringLiteral("42"), QStringLiteral("\"text\""), QStringLiteral("null") }) {
        QCOMPARE(JSONParser::countElements(scalar), 0);
        QVERIFY(JSONParser::parseIds(scalar).isEmpty());
    }
    QVERIFY(JSONParser::parseProject(QStringLiteral(R"([{"ID":1}])")) == RestProject());
    QVERIFY(JSONParser::parseFolder(QStringLiteral("7")) == RestFolder());
}

void TestJsonParser::booleanIsTrueOnlyForTheTextTrue_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("expected");
    QTest::newRow("true") << QStringList { "true", "\"true\"" } << true;
    QTest::newRow("false") << QStringList { "false", "\"True\"", "1", "{\"x\":true}" } << false;
}

void TestJsonParser::booleanIsTrueOnlyForTheTextTrue()
{
    QFETCH(QStringList, values);
    QFETCH(bool, expected);
    for (const QString& value : values) {
        QCOMPARE(JSONParser::parseFolderAccess("{\"CanView\":" + value + "}").canView(), expected);
        QCOMPARE(JSONParser::parseProject("{\"IsLocked\":" + value + "}").isLocked(), expected);
        QCOMPARE(JSONParser::parseContact("{\"IsAdmin\":" + value + "}").isAdmin(), expected);
    }
}

void TestJsonParser::integerConversion_data()
{
    constexpr int max = std::numeric_limits<int>::max();
    constexpr int min = std::numeric_limits<int>::min();
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("expected");
    QTest::newRow("integer") << QStringList { "42" } << 42;
    QTest::newRow("double truncated") << QStringList { "3.9" } << 3;
    QTest::newRow("negative double truncated") << QStringList { "-3.9" } << -3;
    QTest::newRow("object") << QStringList { "{\"a\":5}" } << 0;
    // As int64, uint64, double and a number sent as a string.
    QTest::newRow("above int") << QStringList { "9999999999", "18446744073709551615", "1e300",
        "\"999999999999999999999999\"" }
                               << max;
    QTest::newRow("below int") << QStringList { "-9999999999", "-1e300", "\"-999999999999999999999999\"" }
                               << min;
}

void TestJsonParser::integerConversion()
{
    QFETCH(QStringList, values);
    QFETCH(int, expected);
    for (const QString& value : values) {
        QCOMPARE(JSONParser::parseFolder("{\"ParentID\":" + value + "}").parentId(), expected);
        QCOMPARE(JSONParser::parseStatusses("[{\"Sequence\":" + value + "}]").value(0).sequence(), expected);
        QCOMPARE(JSONParser::parseContact("{\"ID\":" + value + "}").id(), expected);
        // A drag entry without a key keeps the caller's value.
        int projectId = -1;
        QString path = QStringLiteral("kept");
        JSONParser::parseDragItem("{\"ProjectID\":" + value + "}", projectId, path);
        QCOMPARE(projectId, expected);
        QCOMPARE(path, QStringLiteral("kept"));
    }
}

void TestJsonParser::textConversion_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("utf-8") << QStringLiteral("\"Grüße € 😀\"") << QStringLiteral("Grüße € 😀");
    QTest::newRow("escaped NUL") << R"("a\u0000b")" << QString::fromUtf16(u"a\0b", 3);
    QTest::newRow("integer") << "42" << QStringLiteral("42");
    QTest::newRow("double") << "-1.5" << QStringLiteral("-1.5");
    QTest::newRow("true") << "true" << QStringLiteral("true");
    QTest::newRow("object") << "{\"a\":\"x\"}" << QStringLiteral("");
}

void TestJsonParser::textConversion()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(JSONParser::parseProject("{\"Name\":" + value + "}").name(), expected);
    QCOMPARE(JSONParser::parseContact("{\"Function\":" + value + "}").function(), expected);
    QCOMPARE(JSONParser::parseDocument("{\"CheckedOutOn\":" + value + "}").checkedOutOn(), expected);
    int projectId = 11;
    QString path;
    JSONParser::parseDragItem("{\"KelmarPath\":" + value + "}", projectId, path);
    QCOMPARE(path, expected);
    QCOMPARE(projectId, 11);
}

// A document without revision keys has its first revision.
void TestJsonParser::keysMatchExactlyInAnyOrderAndLaterDuplicateWins()
{
    const RestProject project = JSONParser::parseProject(
        QStringLiteral(R"({"id":5,"NAME":"upper","Name":"first","Colour":"red","ID":8,"Name":"second"})"));
    QCOMPARE(project.id(), 8);
    QCOMPARE(project.name(), QStringLiteral("second"));
    const RestDocument bare = JSONParser::parseDocument(QStringLiteral(R"({"ID":4})"));
    QCOMPARE(bare.nrRevisions(), 1);
    QCOMPARE(bare.revisionNr(), 1);
}

void TestJsonParser::uploadedIsHeldInUtc_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime tenThirty(QDate(2020, 5, 20), QTime(10, 30), Qt::UTC);
    QTest::newRow("no zone") << "2020-05-20T10:30:00" << tenThirty;
    // 02:30 does not exist in Berlin on that night.
    QTest::newRow("no zone, in a local gap")
        << "2021-03-28T02:30:00" << QDateTime(QDate(2021, 3, 28), QTime(2, 30), Qt::UTC);
    QTest::newRow("Z") << "2020-05-20T10:30:00Z" << tenThirty;
    QTest::newRow("east offset") << "2020-05-20T12:30:00+02:00" << tenThirty;
    QTest::newRow("date only") << "2020-05-20" << QDateTime(QDate(2020, 5, 20), QTime(0, 0), Qt::UTC);
    QTest::newRow("not a date") << "yesterday" << QDateTime();
}

void TestJsonParser::uploadedIsHeldInUtc()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const QDateTime uploaded = JSONParser::parseDocument("{\"Uploaded\":\"" + text + "\"}").uploaded();
    QCOMPARE(uploaded.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(uploaded, expected);
        QCOMPARE(uploaded.timeSpec(), Qt::UTC);
    }
}

// A list element that is no record still takes its place; projects stop at the shorter of their counts
// and elements; an ID is the first one of its element.
void TestJsonParser::listsKeepTheServersOrderAndLength()
{
    const QList<RestStatus> statusses = JSONParser::parseStatusses(
        QStringLiteral(R"([{"ID":5,"Name":"Draft","Sequence":2},{"ID":4,"Name":"Final","Sequence":1},7])"));
    QCOMPARE(statusses.size(), 3);
    QVERIFY(statusses.at(0) == RestStatus(5, QStringLiteral("Draft"), 2));
    QVERIFY(statusses.at(1) == RestStatus(4, QStringLiteral("Final"), 1));
    QVERIFY(statusses.at(2) == RestStatus());

    const QString three = QStringLiteral(R"([{"ID":1},{"ID":2},{"ID":3}])");
    const QList<RestProject> projects = JSONParser::parseProjects(three, { 4, 0 });
    QCOMPARE(projects.size(), 2);
    QCOMPARE(projects.at(0).id(), 1);
    QCOMPARE(projects.at(0).childCount(), 4);
    QCOMPARE(projects.at(1).childCount(), 0);
    QCOMPARE(JSONParser::parseProjects(QStringLiteral(R"([{"ID":1}])"), { 1, 2, 3 }).size(), 1);

    QCOMPARE(JSONParser::parseIds(QStringLiteral(R"([{"ID":7},{"Name":"x"},{"ID":1,"ID":2},"ID",[]])")),
        QList<int>({ 7, -1, 1, -1, -1 }));
}

// Every parse goes through one function, so a few entry points stand for all of them.
void TestJsonParser::malformedTextThrowsJsonParseException_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("unclosed object") << "{\"ID\":1";
    // The parser would take a NUL for the end of the text.
    QTest::newRow("NUL after the document") << QString::fromUtf16(u"[]\0[", 4);
    // Only the drag entry splitting may stop after the first value.
    QTest::newRow("trailing text") << "[1] x";
    QTest::newRow("unclosed deep nesting") << QString(100000, QLatin1Char('['));
}

void TestJsonParser::malformedTextThrowsJsonParseException()
{
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(JSONParseException, JSONParser::countElements(text));
    QVERIFY_THROWS_EXCEPTION(JSONParseException, JSONParser::parseFolderAccess(text));
    int projectId = 0;
    QString path;
    QVERIFY_THROWS_EXCEPTION(JSONParseException, JSONParser::parseDragItem(text, projectId, path));
}

void TestJsonParser::deepNestingDoesNotExhaustTheStack()
{
    constexpr int depth = 500000;
    const QString nested = QString(depth, QLatin1Char('[')) + QString(depth, QLatin1Char(']'));
    QCOMPARE(JSONParser::countElements(nested), 1);
    QCOMPARE(JSONParser::parseFolders(nested).size(), 1);
    QCOMPARE(JSONParser::jsonObjectLength("{\"a\":" + nested + "}"), nested.size() + 6);
}

QTEST_GUILESS_MAIN(TestJsonParser)
#include "tst_jsonparser.moc"
