#include "remote/itemicons.h"
#include "transfer/modelitemstatus.h"

#include <QImage>
#include <QtTest>

class TestItemIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documentIconsFollowTheLastExtension_data();
    void documentIconsFollowTheLastExtension();
    void folderIconsMatchTheWholeTypeExactly_data();
    void folderIconsMatchTheWholeTypeExactly();
    void everyNamedImageIsAReadablePicture();
};

void TestItemIcons::documentIconsFollowTheLastExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("icon");
    QTest::newRow("upper case") << "Report.PDF"
                                << "pdf"
                                << ":/images/icons/doc_pdf.png";
    QTest::newRow("last dot wins") << "archive.tar.gz"
                                   << "gz"
                                   << ":/images/icons/doc_zip.png";
    QTest::newRow("no dot") << "Makefile"
                            << ""
                            << ":/images/icons/doc_other.png";
    QTest::newRow("trailing dot") << "draft."
                                  << ""
                                  << ":/images/icons/doc_other.png";
    QTest::newRow("dot file of a known kind") << ".xml"
                                              << "xml"
                                              << ":/images/icons/doc_code.png";
    QTest::newRow("dot file of no kind") << ".htaccess"
                                         << "htaccess"
                                         << ":/images/icons/doc_other.png";
    QTest::newRow("spreadsheet") << "budget 2024.ODS"
                                 << "ods"
                                 << ":/images/icons/doc_excel.png";
    QTest::newRow("drawing") << "site.dwg"
                             << "dwg"
                             << ":/images/icons/doc_dwg.png";
    QTest::newRow("picture") << "scan.TIFF"
                             << "tiff"
                             << ":/images/icons/doc_picture.png";
    QTest::newRow("php") << "index.php"
                         << "php"
                         << ":/images/icons/doc_php.png";
}

void TestItemIcons::documentIconsFollowTheLastExtension()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QFETCH(QString, icon);
    QCOMPARE(fileExtension(name), extension);
    QCOMPARE(documentIconPath(name), icon);
}

void TestItemIcons::folderIconsMatchTheWholeTypeExactly_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("icon");
    QTest::newRow("mail") << "mail"
                          << ":/images/icons/folderMail.gif";
    QTest::newRow("capital letter") << "Mail"
                                    << ":/images/icons/folderClassic.gif";
    QTest::newRow("documents") << "documents"
                               << ":/images/icons/folderDocuments.gif";
    QTest::newRow("prefix only") << "document"
                                 << ":/images/icons/folderClassic.gif";
    QTest::newRow("empty") << ""
                           << ":/images/icons/folderClassic.gif";
}

void TestItemIcons::folderIconsMatchTheWholeTypeExactly()
{
    QFETCH(QString, type);
    QFETCH(QString, icon);
    QCOMPARE(folderIconPath(type), icon);
}

void TestItemIcons::everyNamedImageIsAReadablePicture()
{
    QStringList paths { QStringLiteral(":/images/torvexLogo.png"), QStringLiteral(":/images/torvexMail.png"),
        QStringLiteral(":/images/icons/favicon.png"), QStringLiteral(":/images/icons/project.gif") };
    for (const char* type : { "addressbook", "binder", "calendar", "documents", "forms", "forum", "mail",
             "queries", "reports", "repository", "tables", "task", "url", "workflow", "other" })
        paths << folderIconPath(QLatin1String(type));
    for (const char* name : { "a.c", "a.txt", "a.png", "a.doc", "a.xls", "a.ppt", "a.vsd", "a.dwg", "a.pdf",
             "a.zip", "a.php", "a.unknown" })
        paths << documentIconPath(QLatin1String(name));
    for (int code : { 1, 2, 3 })
        paths << ModelItemStatus::iconPath(code);
    for (const QString& path : paths) {
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QVERIFY2(image.width() >= 16 && image.height() >= 16, qPrintable(path));
    }
}

QTEST_MAIN(TestItemIcons)
#include "tst_itemicons.moc"
