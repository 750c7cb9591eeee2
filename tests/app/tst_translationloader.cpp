#include "app/logindialog.h"
#include "app/translationloader.h"
#include "widgets/sizetext.h"

#include <QApplication>
#include <QCheckBox>
#include <QTranslator>
#include <QtTest>

// The user's language decides which translations the program installs: its own, found in the folders
// it is given, and the toolkit's.
class TestTranslationLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void installFollowsTheLanguage_data();
    void installFollowsTheLanguage();
};

void TestTranslationLoader::cleanup()
{
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

void TestTranslationLoader::installFollowsTheLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("remember");
    QTest::addColumn<QString>("size");
    // Esperanto has a translation made for this test only, the toolkit none; French the reverse.
    QTest::newRow("program's own") << "eo" << true << "Memori pasvorton"
                                   << "2 KB";
    QTest::newRow("toolkit's only") << "fr_FR" << false << "Remember password"
                                    << "2 Ko";
}

void TestTranslationLoader::installFollowsTheLanguage()
{
    QFETCH(QString, locale);
    QFETCH(bool, installed);
    QFETCH(QString, remember);
    QFETCH(QString, size);

    QCOMPARE(TranslationLoader::install(QLocale(locale), { QStringLiteral(TEST_TRANSLATIONS) }), installed);
    LoginDialog dialog(QStringLiteral("secure.torvex.example"), QString(), QString(), Qt::Unchecked);
    QCOMPARE(dialog.findChild<QCheckBox*>(QStringLiteral("rememberBox"))->text(), remember);
    QCOMPARE(sizeText(2048), size);
}

QTEST_MAIN(TestTranslationLoader)
#include "tst_translationloader.moc"
