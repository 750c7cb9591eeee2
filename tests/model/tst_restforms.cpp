#include "model/jsonparser.h"
#include "model/jsontext.h"

#include <QTest>

#include <limits>
#include <memory>

// The records, their JSON forms (the drag payload, and the folder access that goes to the server with a
// new folder), and reading those forms back.
class TestRestForms : public QObject
{
    Q_OBJECT

private slots:
    void folderAccessForm();
    void jsonEscaping_data();
    void jsonEscaping();
    void jsonFormsReadBackIntoEqualRecords_data();
    void jsonFormsReadBackIntoEqualRecords();
    void createDirectoryBodyAndDragItem();
    void jsonObjectLength_data();
    void jsonObjectLength();
    void dragEntryCutsAtObjectEndNotAtFirstBrace();
    void folderChildCountFollowsItsCountsAndSaturates();
    void heapCopyThroughBaseKeepsEveryField();

private:
    static RestProject sampleProject(const QString& text);
    static RestFolder sampleFolder(const QString& text);
    static RestDocument sampleDocument(const QString& text);
};

RestProject TestRestForms::sampleProject(const QString& text)
{
    return RestProject(QStringLiteral("Project"), 12, text, 3, text + QLatin1Char('a'),
        text + QLatin1Char('c'), QStringLiteral("1011"), 31, text + QLatin1Char('d'),
        QStringLiteral("Europe/Amsterdam"), 2, -4, true, false, true);
}

RestFolder TestRestForms::sampleFolder(const QString& text)
{
    return RestFolder(QStringLiteral("Folder"), 7, text, QStringLiteral("plans/") + text,
        QStringLiteral("documents"), 0, 12, text + QLatin1Char('u'), 2, 1);
}

RestDocument TestRestForms::sampleDocument(const QString& text)
{
    return RestDocument(QStringLiteral("Document"), 40, text + QStringLiteral(".pdf"), 3, 7, text, 5,
        QDateTime(QDate(2020, 5, 20), QTime(10, 30), Qt::UTC), 3, 99, Q_INT64_C(5368709120), 2, 0, 17, 0,
        text);
}

// Alternating values catch a flag written under, or read from, the wrong key.
void TestRestForms::folderAccessForm()
{
    RestFolderAccess access(true, false, true, false, true, false, true, false, true, false, true, false,
        true, false, true, false, true, false);
    access.setObjectType(QStringLiteral("FolderAccess"));
    const QString form = access.toJson();
    QCOMPARE(form,
        QStringLiteral(R"({"ObjectType":"FolderAccess","CanViewOwn":true,"CanView":false,"CanPrint":true,)"
                       R"("CanDownload":false,"CanAdd":true,"CanAddRevisionToOwn":false,)"
                       R"("CanAddRevision":true,"CanAnnotate":false,"CanEditOwn":true,"CanEdit":false,)"
                       R"("CanDeleteOwn":true,"CanDelete":false,"CanAddWorkflowToOwn":true,)"
                       R"("CanAddWorkflow":false,"CanAddSubfolder":true,"CanAddFormToOwn":false,)"
                       R"("CanAddForm":true,"IsAdmin":false})"));
    QVERIFY(JSONParser::parseFolderAccess(form) == access);
}

void TestRestForms::jsonEscaping_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << "Tower 1/plans" << QStringLiteral("Tower 1/plans");
    QTest::newRow("non-ASCII") << QStringLiteral("Grüße € 😀") << QStringLiteral("Grüße € 😀");
    QTest::newRow("braces") << "a}b{" << QStringLiteral("a}b{");
    QTest::newRow("quote") << "a\"b" << QStringLiteral("a\\\"b");
    QTest::newRow("backslash") << "C:\\x" << QStringLiteral("C:\\\\x");
    QTest::newRow("named controls") << "\n\t\r\b\f" << QStringLiteral("\\n\\t\\r\\b\\f");
    QTest::newRow("other controls") << QString::fromUtf16(u"\0\x01\x1f\x7f", 4)
                                    << QStringLiteral("\\u0000\\u0001\\u001f\x7f");
}

void TestRestForms::jsonEscaping()
{
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(jsonEscaped(value), escaped);
    RestObject object(QStringLiteral("Folder"), 1, value, 0);
    QCOMPARE(object.toJson(), "{\"ObjectType\":\"Folder\",\"ID\":1,\"Name\":\"" + escaped + "\"}");
}

void TestRestForms::jsonFormsReadBackIntoEqualRecords_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "Tower";
    QTest::newRow("empty") << "";
    QTest::newRow("non-ASCII") << QStringLiteral("Grüße 😀");
    QTest::newRow("JSON syntax") << R"(a"b\c},{"ID":99,"x":")";
    QTest::newRow("controls") << QString::fromUtf16(u"line\nbreak\ttab\0nul\x01", 19);
}

void TestRestForms::jsonFormsReadBackIntoEqualRecords()
{
    QFETCH(QString, text);

    RestProject project = sampleProject(text);
    RestProject projectRead = JSONParser::parseProject(project.toJson());
    QCOMPARE(projectRead.childCount(), 0); // the child count is not part of the form
    projectRead.setChildCount(project.childCount());
    QVERIFY(projectRead == project);

    const RestFolder folder = sampleFolder(text);
    QVERIFY(JSONParser::parseFolder(folder.toJson()) == folder);

    // The upload time is written as a text date, which does not read back.
    RestDocument document = sampleDocument(text);
    const RestDocument documentRead = JSONParser::parseDocument(document.toJson());
    QVERIFY(!documentRead.uploaded().isValid());
    document.setUploaded(QDateTime());
    QVERIFY(documentRead == document);

    int projectId = 0;
    QString path;
    JSONParser::parseDragItem(JSONParser::dragItemJson(-3, text), projectId, path);
    QCOMPARE(projectId, -3);
    QCOMPARE(path, text);
}

void TestRestForms::createDirectoryBodyAndDragItem()
{
    QCOMPARE(JSONParser::createDirectoryJson(
                 QStringLiteral("Walls"), QStringLiteral("documents"), 7, -1, QString()),
        QStringLiteral(R"({"Name":"Walls","Type":"documents","ParentID":7,"AfterID":-1})"));
    const QString access = RestFolderAccess().toJson();
    const QString body = JSONParser::createDirectoryJson(QStringLiteral("Walls"), QString(), 0, 3, access);
    QCOMPARE(body, R"({"Name":"Walls","Type":"","ParentID":0,"AfterID":3,"FolderAccess":)" + access + "}");
    QCOMPARE(JSONParser::countElements(body), 5);
    QCOMPARE(JSONParser::dragItemJson(12, QStringLiteral("Tower/plans")),
        QStringLiteral(R"({"ProjectID":12,"KelmarPath":"Tower/plans"})"));

    // A name cannot add or replace members.
    const QString name = QStringLiteral(R"(a","ParentID":99,"Type":"binder)");
    const QString type = QStringLiteral("documents\\");
    const QString injected = JSONParser::createDirectoryJson(name, type, 7, 0, QString());
    QCOMPARE(JSONParser::countElements(injected), 4);
    const RestFolder read = JSONParser::parseFolder(injected);
    QCOMPARE(read.name(), name);
    QCOMPARE(read.type(), type);
    QCOMPARE(read.parentId(), 7);
}

void TestRestForms::jsonObjectLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("empty object") << "{}" << 2;
    QTest::newRow("brace in string") << R"({"a":"}"}x)" << 9;
    QTest::newRow("escaped quote") << R"({"a":"\"}"}x)" << 11;
    QTest::newRow("nested") << R"({"a":{"b":[1,{}]}}})" << 18;
    QTest::newRow("non-ASCII") << QStringLiteral("{\"a\":\"ä😀\"}Grüße/ü") << 11;
    QTest::newRow("leading blanks") << " \n{} " << 4;
    QTest::newRow("NUL after") << QString::fromUtf16(u"{}\0x", 4) << 2;
    QTest::newRow("empty text") << "" << -1;
    QTest::newRow("array") << "[{}]" << -1;
    QTest::newRow("text before") << "x{}" << -1;
    QTest::newRow("unclosed") << R"({"a":"}")" << -1;
    QTest::newRow("invalid member") << R"({"a":}x)" << -1;
    QTest::newRow("NUL inside") << QString::fromUtf16(u"{\"a\0\":1}", 8) << -1;
}

void TestRestForms::jsonObjectLength()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QCOMPARE(JSONParser::jsonObjectLength(text), length);
}

// A folder entry of a drag is its JSON form followed directly by its container text.
void TestRestForms::dragEntryCutsAtObjectEndNotAtFirstBrace()
{
    const RestFolder folder = sampleFolder(QStringLiteral("{Walls} \"old\""));
    const QString container = QStringLiteral("Tower}/plans");
    const QString entry = folder.toJson() + container;
    const int length = JSONParser::jsonObjectLength(entry);
    QCOMPARE(length, folder.toJson().size());
    QVERIFY(JSONParser::parseFolder(entry.left(length)) == folder);
    QCOMPARE(entry.mid(length), container);

    const RestDocument document = sampleDocument(QStringLiteral("a}b"));
    const QString documentEntry = document.toJson() + JSONParser::dragItemJson(12, container);
    const int documentLength = JSONParser::jsonObjectLength(documentEntry);
    QCOMPARE(documentLength, document.toJson().size());
    int projectId = 0;
    QString path;
    JSONParser::parseDragItem(documentEntry.mid(documentLength), projectId, path);
    QCOMPARE(projectId, 12);
    QCOMPARE(path, container);
}

void TestRestForms::folderChildCountFollowsItsCountsAndSaturates()
{
    RestFolder folder = sampleFolder(QStringLiteral("f"));
    QCOMPARE(folder.childCount(), 3);
    folder.setNrChildren(0);
    QCOMPARE(folder.childCount(), 1);
    folder.setNrItems(4);
    QCOMPARE(folder.childCount(), 4);

    // Counts come from the server: a sum beyond the int range must not overflow.
    constexpr int big = std::numeric_limits<int>::max();
    folder.setNrChildren(big);
    folder.setNrItems(big);
    QCOMPARE(folder.childCount(), big);
    folder.setNrChildren(std::numeric_limits<int>::min());
    folder.setNrItems(-1);
    QCOMPARE(folder.childCount(), std::numeric_limits<int>::min());
}

// The remote tree keeps heap copies of records and deletes them through RestObject*.
void TestRestForms::heapCopyThroughBaseKeepsEveryField()
{
    const RestProject project = sampleProject(QStringLiteral("Tower"));
    std::unique_ptr<RestObject> node(new RestProject(project));
    const auto* copy = dynamic_cast<const RestProject*>(node.get());
    QVERIFY(copy);
    QVERIFY(*copy == project);
    QCOMPARE(node->toJson(), project.toJson());

    // The folder's own strings are released through the virtual destructor (leak-checked builds).
    node.reset(new RestFolder(sampleFolder(QStringLiteral("Walls"))));
    QCOMPARE(node->childCount(), 3);
    node.reset();
}

QTEST_GUILESS_MAIN(TestRestForms)
#include "tst_restforms.moc"
