#include "app/aboutdialog.h"
#include "app/clickablelabel.h"
#include "support/recorders.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLayout>
#include <QSignalSpy>
#include <QUrl>
#include <QtTest>

// Stands in for the desktop's browser.
class AboutTestBrowser : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class TestAboutDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clickableLabelReportsEveryRelease_data();
    void clickableLabelReportsEveryRelease();
    void aboutBoxIsFixedAndShowsTheVersion();
    void homeLinkOpensTheHomePageOrSaysItCannot();
};

void TestAboutDialog::clickableLabelReportsEveryRelease_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::newRow("left") << Qt::LeftButton << QPoint(5, 5);
    QTest::newRow("right") << Qt::RightButton << QPoint(5, 5);
    QTest::newRow("middle") << Qt::MiddleButton << QPoint(5, 5);
    QTest::newRow("released outside") << Qt::LeftButton << QPoint(-40, 300);
}

void TestAboutDialog::clickableLabelReportsEveryRelease()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, releaseAt);
    ClickableLabel label(QStringLiteral("<font color=\"blue\">Link</font>"));
    label.resize(100, 20);
    QSignalSpy clicks(&label, &ClickableLabel::clicked);
    QTest::mousePress(&label, button, {}, QPoint(5, 5));
    QCOMPARE(clicks.size(), 0);
    QTest::mouseRelease(&label, button, {}, releaseAt);
    QCOMPARE(clicks.size(), 1);
}

void TestAboutDialog::aboutBoxIsFixedAndShowsTheVersion()
{
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Torvex Transfer About"));
    QCOMPARE(
        dialog.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(), QStringLiteral("Version 1.0.0"));
    QVERIFY(dialog.findChild<ClickableLabel*>(QStringLiteral("homeLink"))
                ->text()
                .contains(QStringLiteral("www.torvex.example")));
    QCOMPARE(dialog.layout()->sizeConstraint(), QLayout::SetFixedSize);
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    const QSize before = dialog.size();
    dialog.resize(before + QSize(200, 200));
    QCOMPARE(dialog.size(), before);
    // Nothing of the texts is cut: every label gets at least the width it asks for.
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
}

void TestAboutDialog::homeLinkOpensTheHomePageOrSaysItCannot()
{
    AboutDialog dialog;
    auto* link = dialog.findChild<ClickableLabel*>(QStringLiteral("homeLink"));
    BoxRecorder boxes;
    AboutTestBrowser browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    QTest::mouseClick(link, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(browser.opened, QList<QUrl> { QUrl(QStringLiteral("http://www.torvex.example")) });
    QVERIFY(boxes.texts().isEmpty());

    // Without a browser (the headless test platform has none) the user is told so.
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(
        boxes.texts(), QStringList { QStringLiteral("Unable to open the link in your internet browser") });
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
