#include "model/jsonparser.h"
#include "model/jsontext.h"

#include <QTest>

class TestRestForms : public QObject
{
    Q_OBJECT

private slots:
    void textForms();
    void jsonForms();
    void jsonEscaping_data();
    void jsonEscaping();
    void jsonFormsReadBackIntoEqualRecords_data();
    void jsonFormsReadBackIntoEqualRecords();
    void createDirectoryBody();
    void createDirectoryNameCannotInjectMembers();
    void dragRecordRoundTrip();
    void jsonObjectLength_data();
    void jsonObjectLength();
    void dragEntryCutsAtObjectEndNotAtFirstBrace();

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

void TestRestForms::textForms()
{
    QCOMPARE(RestObject().toString(), QStringLiteral("ObjectType: \nId: 0\nName: \nChildcount: 0\n"));
    QCOMPARE(sampleProject(QStringLiteral("Tower")).toString(),
        QStringLiteral("ObjectType: Project\nId: 12\nName: Tower\nChildcount: 3\nAddress: Towera\n"
                       "City: Towerc\nZip: 1011\nCountryID: 31\nDetails: Towerd\nTimezone: Europe/Amsterdam\n"
                       "AdminRoleID: 2\nCreatedByID: -4\nIsLocked: true\nIsActive: false\nIsFree: true\n"));
    QCOMPARE(sampleFolder(QStringLiteral("Walls")).toString(),
        QStringLiteral("ObjectType: Folder\nId: 7\nName: Walls\nChildcount: 3\nPath: plans/Walls\n"
                       "Type: documents\nParentID: 0\nProjectID: 12\nUrl: Wallsu\nFolderscount: 2\n"
                       "Itemscount: 1\n"));
    QCOMPARE(
        sampleDocument(QStringLiteral("x")).toString(), QStringLiteral("RestDocument toString() function"));
}

void TestRestForms::jsonForms()
{
    QCOMPARE(RestObject(QStringLiteral("Project"), 5, QStringLiteral("n"), 9).toJson(),
        QStringLiteral(R"({"ObjectType":"Project","ID":5,"Name":"n"})"));
    QCOMPARE(sampleProject(QStringLiteral("Tower")).toJson(),
        QStringLiteral(
            R"({"ObjectType":"Project","ID":12,"Name":"Tower","Address":"Towera","City":"Towerc",)"
            R"("Zip":"1011","CountryID":31,"Details":"Towerd","Timezone":"Europe/Amsterdam",)"
            R"("AdminRoleID":2,"CreatedByID":-4,"IsLocked":true,"IsActive":false,"IsFree":true})"));
    QCOMPARE(sampleFolder(QStringLiteral("Walls")).toJson(),
        QStringLiteral(R"({"ObjectType":"Folder","ID":7,"Name":"Walls","Path":"plans/Walls",)"
                       R"("Type":"documents","ParentID":0,"ProjectID":12,"URL":"Wallsu","NrChildren":2,)"
                       R"("NrItems":1})"));
    QCOMPARE(sampleDocument(QString()).toJson(),
        QStringLiteral(R"({"ObjectType":"Document","ID":40,"Name":".pdf","NrRevisions":3,"FolderID":7,)"
                       R"("Description":"","AuthorID":5,"Uploaded":"Wed May 20 10:30:00 2020 GMT",)"
                       R"("RevisionNr":3,"RevisionID":99,"Size":5368709120,"StatusID":2,)"
                       R"("ConversionStatus":0,"NrViews":17,"CheckedOutByID":0,"CheckedOutOn":""})"));
    RestDocument undated;
    QVERIFY(undated.toJson().contains(QLatin1String(R"("AuthorID":0,"Uploaded":"","RevisionNr":1,)")));

    RestFolderAccess access(true, false, false, false, false, false, false, false, false, false, false, false,
        false, false, false, false, true, false);
    access.setObjectType(QStringLiteral("FolderAccess"));
    QCOMPARE(access.toJson(),
        QStringLiteral(R"({"ObjectType":"FolderAccess","CanViewOwn":true,"CanView":false,"CanPrint":false,)"
                       R"("CanDownload":false,"CanAdd":false,"CanAddRevisionToOwn":false,)"
                       R"("CanAddRevision":false,"CanAnnotate":false,"CanEditOwn":false,"CanEdit":false,)"
                       R"("CanDeleteOwn":false,"CanDelete":false,"CanAddWorkflowToOwn":false,)"
                       R"("CanAddWorkflow":false,"CanAddSubfolder":false,"CanAddFormToOwn":false,)"
                       R"("CanAddForm":true,"IsAdmin":false})"));
}

void TestRestForms::jsonEscaping_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << "Tower 1/plans"
                           << "Tower 1/plans";
    QTest::newRow("non-ASCII") << QStringLiteral("Grüße € 😀") << QStringLiteral("Grüße € 😀");
    QTest::newRow("braces") << "a}b{"
                            << "a}b{";
    QTest::newRow("quote") << "a\"b"
                           << "a\\\"b";
    QTest::newRow("backslash") << "C:\\x"
                               << "C:\\\\x";
    QTest::newRow("named controls") << "\n\t\r\b\f"
                                    << "\\n\\t\\r\\b\\f";
    QTest::newRow("other controls") << QString::fromUtf16(u"\0\x01\x1f\x7f", 4)
                                    << "\\u0000\\u0001\\u001f\x7f";
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

    RestFolderAccess access(true, true, false, true, false, false, true, false, false, true, false, false,
        true, false, true, false, false, true);
    access.setObjectType(text);
    QVERIFY(JSONParser::parseFolderAccess(access.toJson()) == access);

    RestObject root(text, 3, text, 8);
    const RestProject rootRead = JSONParser::parseProject(root.toJson());
    QCOMPARE(rootRead.objectType(), text);
    QCOMPARE(rootRead.name(), text);
    QCOMPARE(rootRead.id(), 3);
}

void TestRestForms::createDirectoryBody()
{
    QCOMPARE(JSONParser::createDirectoryJson(
                 QStringLiteral("Walls"), QStringLiteral("documents"), 7, -1, QString()),
        QStringLiteral(R"({"Name":"Walls","Type":"documents","ParentID":7,"AfterID":-1})"));
    const QString access = RestFolderAccess().toJson();
    const QString body = JSONParser::createDirectoryJson(QStringLiteral("Walls"), QString(), 0, 3, access);
    QCOMPARE(body, R"({"Name":"Walls","Type":"","ParentID":0,"AfterID":3,"FolderAccess":)" + access + "}");
    QCOMPARE(JSONParser::countElements(body), 5);
}

void TestRestForms::createDirectoryNameCannotInjectMembers()
{
    const QString name = QStringLiteral(R"(a","ParentID":99,"Type":"binder)");
    const QString type = QStringLiteral("documents\\");
    const QString body = JSONParser::createDirectoryJson(name, type, 7, 0, QString());
    QCOMPARE(JSONParser::countElements(body), 4);
    const RestFolder read = JSONParser::parseFolder(body);
    QCOMPARE(read.name(), name);
    QCOMPARE(read.type(), type);
    QCOMPARE(read.parentId(), 7);
}

void TestRestForms::dragRecordRoundTrip()
{
    QCOMPARE(JSONParser::dragItemJson(12, QStringLiteral("Tower/plans")),
        QStringLiteral(R"({"ProjectID":12,"KelmarPath":"Tower/plans"})"));
    const QString path = QStringLiteral(R"(Tö"we}r/pl\ans)");
    int projectId = 0;
    QString read;
    JSONParser::parseDragItem(JSONParser::dragItemJson(-3, path), projectId, read);
    QCOMPARE(projectId, -3);
    QCOMPARE(read, path);
}

void TestRestForms::jsonObjectLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("empty object") << "{}" << 2;
    QTest::newRow("text after") << "{}Tower/plans" << 2;
    QTest::newRow("object after") << R"({"ID":1}{"ProjectID":2})" << 8;
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

QTEST_GUILESS_MAIN(TestRestForms)
#include "tst_restforms.moc"
