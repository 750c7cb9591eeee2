#include "model/jsonparser.h"
#include "model/jsontext.h"

#include <QTest>

#include <limits>

// The records' text and JSON forms (the drag payload, the create-folder body and the folder access that
// goes with it), and reading those forms back.
class TestRestForms : public QObject
{
    Q_OBJECT

private slots:
    void literalForms_data();
    void literalForms();
    void jsonEscaping_data();
    void jsonEscaping();
    void jsonFormsReadBackIntoEqualRecords();
    void jsonObjectLength_data();
    void jsonObjectLength();
    void folderChildCountFollowsItsCountsAndSaturates();

private:
    static RestProject sampleProject(const QString& text);
    static RestFolder sampleFolder(const QString& text);
    static RestDocument sampleDocument(const QString& text);
};

// Distinct values in every field catch a value written under the wrong key or in the wrong place.
RestProject TestRestForms::sampleProject(const QString& text)
{
    return RestProject(QStringLiteral("Project"), 12, text, 3, text + QLatin1Char('a'),
        text + QLatin1Char('c'), QStringLiteral("2611 AB"), 31, text + QLatin1Char('d'),
        QStringLiteral("Europe/Amsterdam"), 2, -4, true, false, true);
}

RestFolder TestRestForms::sampleFolder(const QString& text)
{
    return RestFolder(QStringLiteral("Folder"), 7, text, QStringLiteral("plans/") + text,
        QStringLiteral("documents"), 5, 12, text + QLatin1Char('u'), 2, 1);
}

RestDocument TestRestForms::sampleDocument(const QString& text)
{
    return RestDocument(QStringLiteral("Document"), 40, text + QStringLiteral(".pdf"), 3, 7, text, 5,
        QDateTime(QDate(2020, 5, 20), QTime(10, 30), Qt::UTC), 2, 99, Q_INT64_C(5368709120), 4, 6, 17, 8,
        text + QLatin1Char('o'));
}

// The forms are read through RestObject&, as the remote tree reads its nodes.
void TestRestForms::literalForms_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("expected");

    const RestObject root(QString(), 0, QString(), 4);
    const RestProject projectRecord = sampleProject(QStringLiteral("Tower"));
    const RestFolder folderRecord = sampleFolder(QStringLiteral("Walls"));
    const RestDocument documentRecord = sampleDocument(QStringLiteral("plan"));
    const RestObject& project = projectRecord;
    const RestObject& folder = folderRecord;
    const RestObject& document = documentRecord;

    QTest::newRow("root text") << root.toString() << "ObjectType: \nId: 0\nName: \nChildcount: 4\n";
    QTest::newRow("root json") << root.toJson() << R"({"ObjectType":"","ID":0,"Name":""})";
    QTest::newRow("project text") << project.toString()
                                  << "ObjectType: Project\nId: 12\nName: Tower\nChildcount: 3\n"
                                     "Address: Towera\nCity: Towerc\nZip: 2611 AB\nCountryID: 31\n"
                                     "Details: Towerd\nTimezone: Europe/Amsterdam\nAdminRoleID: 2\n"
                                     "CreatedByID: -4\nIsLocked: true\nIsActive: false\nIsFree: true\n";
    QTest::newRow("project json")
        << project.toJson()
        << R"({"ObjectType":"Project","ID":12,"Name":"Tower","Address":"Towera","City":"Towerc",)"
           R"("Zip":"2611 AB","CountryID":31,"Details":"Towerd","Timezone":"Europe/Amsterdam",)"
           R"("AdminRoleID":2,"CreatedByID":-4,"IsLocked":true,"IsActive":false,"IsFree":true})";
    QTest::newRow("folder text") << folder.toString()
                                 << "ObjectType: Folder\nId: 7\nName: Walls\nChildcount: 3\n"
                                    "Path: plans/Walls\nType: documents\nParentID: 5\nProjectID: 12\n"
                                    "Url: Wallsu\nFolderscount: 2\nItemscount: 1\n";
    QTest::newRow("folder json")
        << folder.toJson()
        << R"({"ObjectType":"Folder","ID":7,"Name":"Walls","Path":"plans/Walls","Type":"documents",)"
           R"("ParentID":5,"ProjectID":12,"URL":"Wallsu","NrChildren":2,"NrItems":1})";
    QTest::newRow("document text") << document.toString() << "RestDocument toString() function";
    QTest::newRow("document json")
        << document.toJson()
        << R"({"ObjectType":"Document","ID":40,"Name":"plan.pdf","NrRevisions":3,"FolderID":7,)"
           R"("Description":"plan","AuthorID":5,"Uploaded":"Wed May 20 10:30:00 2020 GMT",)"
           R"("RevisionNr":2,"RevisionID":99,"Size":5368709120,"StatusID":4,"ConversionStatus":6,)"
           R"("NrViews":17,"CheckedOutByID":8,"CheckedOutOn":"plano"})";
    QTest::newRow("document without date")
        << RestDocument().toJson()
        << R"({"ObjectType":"","ID":0,"Name":"","NrRevisions":1,"FolderID":0,"Description":"",)"
           R"("AuthorID":0,"Uploaded":"","RevisionNr":1,"RevisionID":0,"Size":0,"StatusID":0,)"
           R"("ConversionStatus":0,"NrViews":0,"CheckedOutByID":0,"CheckedOutOn":""})";

    // Alternating flags catch a flag written under the wrong key.
    RestFolderAccess access(true, false, true, false, true, false, true, false, true, false, true, false,
        true, false, true, false, true, false);
    access.setObjectType(QStringLiteral("FolderAccess"));
    QTest::newRow("folder access json")
        << access.toJson()
        << R"({"ObjectType":"FolderAccess","CanViewOwn":true,"CanView":false,"CanPrint":true,)"
           R"("CanDownload":false,"CanAdd":true,"CanAddRevisionToOwn":false,"CanAddRevision":true,)"
           R"("CanAnnotate":false,"CanEditOwn":true,"CanEdit":false,"CanDeleteOwn":true,"CanDelete":false,)"
           R"("CanAddWorkflowToOwn":true,"CanAddWorkflow":false,"CanAddSubfolder":true,)"
           R"("CanAddFormToOwn":false,"CanAddForm":true,"IsAdmin":false})";

    QTest::newRow("create folder") << JSONParser::createDirectoryJson(
        QStringLiteral("Walls"), QStringLiteral("documents"), 7, -1, QString())
                                   << R"({"Name":"Walls","Type":"documents","ParentID":7,"AfterID":-1})";
    QTest::newRow("create folder with access")
        << JSONParser::createDirectoryJson(QStringLiteral("Walls"), QString(), 0, 3, R"({"CanAdd":true})")
        << R"({"Name":"Walls","Type":"","ParentID":0,"AfterID":3,"FolderAccess":{"CanAdd":true}})";
    // A name cannot add or replace members.
    QTest::newRow("create folder, quotes in name")
        << JSONParser::createDirectoryJson(QStringLiteral(R"(a","ParentID":99)"), "documents\\", 7, 0, "")
        << R"({"Name":"a\",\"ParentID\":99","Type":"documents\\","ParentID":7,"AfterID":0})";
    QTest::newRow("drag record") << JSONParser::dragItemJson(12, QStringLiteral("Tower/plans"))
                                 << R"({"ProjectID":12,"KelmarPath":"Tower/plans"})";
}

void TestRestForms::literalForms()
{
    QFETCH(QString, form);
    QFETCH(QString, expected);
    QCOMPARE(form, expected);
}

void TestRestForms::jsonEscaping_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("non-ASCII and braces")
        << QStringLiteral("Grüße € 😀 a}b{") << QStringLiteral("Grüße € 😀 a}b{");
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

// Every text field carries JSON syntax: a field written without escaping, or a key the reader does not
// know, shows as a record that differs.
void TestRestForms::jsonFormsReadBackIntoEqualRecords()
{
    const QString text = QStringLiteral(R"(a"b\c},{"ID":99,"x":")");

    // Other flags than in the literal form, so that two flags swapped in writing or reading show here.
    RestProject project = sampleProject(text);
    project.setIsLocked(false);
    project.setIsActive(true);
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

    RestFolderAccess access(true, false, true, false, true, false, true, false, true, false, true, false,
        true, false, true, false, true, false);
    access.setObjectType(text);
    QVERIFY(JSONParser::parseFolderAccess(access.toJson()) == access);

    int projectId = 0;
    QString path;
    JSONParser::parseDragItem(JSONParser::dragItemJson(-3, text), projectId, path);
    QCOMPARE(projectId, -3);
    QCOMPARE(path, text);
}

void TestRestForms::jsonObjectLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    // A drag entry is a record's form followed directly by its container text or a drag record.
    QTest::newRow("braces and quotes in values") << R"({"a":"{W} \"o\"","b":"}"}Tower}/plans)" << 25;
    QTest::newRow("nested") << R"({"a":{"b":[1,{}]}}{"ProjectID":1})" << 18;
    QTest::newRow("non-ASCII") << QStringLiteral("{\"a\":\"ä😀\"}Grüße/ü") << 11;
    QTest::newRow("leading blanks") << " \n{} " << 4;
    QTest::newRow("NUL after") << QString::fromUtf16(u"{}\0x", 4) << 2;
    QTest::newRow("empty text") << "" << -1;
    QTest::newRow("text before") << "x{}" << -1;
    QTest::newRow("unclosed") << R"({"a":"}")" << -1;
    QTest::newRow("NUL inside") << QString::fromUtf16(u"{\"a\0\":1}", 8) << -1;
}

void TestRestForms::jsonObjectLength()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QCOMPARE(JSONParser::jsonObjectLength(text), length);
}

void TestRestForms::folderChildCountFollowsItsCountsAndSaturates()
{
    RestFolder folder = sampleFolder(QStringLiteral("f"));
    QCOMPARE(folder.childCount(), 3);
    // Counts come from the server: a sum beyond the int range must not overflow.
    constexpr int big = std::numeric_limits<int>::max();
    folder.setNrChildren(big);
    folder.setNrItems(big);
    QCOMPARE(folder.childCount(), big);
    folder.setNrChildren(std::numeric_limits<int>::min());
    folder.setNrItems(-1);
    QCOMPARE(folder.childCount(), std::numeric_limits<int>::min());
}

QTEST_GUILESS_MAIN(TestRestForms)
#include "tst_restforms.moc"
