#include "app/aboutdialog.h"
#include "app/logindialog.h"
#include "app/translationloader.h"
#include "rest/jobqueue.h"
#include "rest/sessionrunner.h"
#include "support/guifixture.h"
#include "support/testserver.h"
#include "widgets/clickablelabel.h"
#include "widgets/sizetext.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

// The login dialog, the about box and the clickable label both of them open links with, and the
// translations the user's language brings.
class TestLoginDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void serverEditProbesOkWaitsForItAndCancelAbandonsAnAttempt();
    void linksOpenByMouseOrKeyInThePalettesColours();
    void translationsFollowTheLanguage_data();
    void translationsFollowTheLanguage();

private:
    // The dialog, shown unless told otherwise; the server defaults to the test's own.
    void makeDialog(const QString& server = QString(), bool shown = true);
    template<typename T> T* widget(const char* name)
    {
        T* found = m_dialog->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QWidget* serverCell() { return m_grid->itemAtPosition(0, 1)->widget(); }

    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<TestServer> m_service; // answers the probe
    std::unique_ptr<LoginDialog> m_dialog;
    QGridLayout* m_grid = nullptr;
};

namespace {
const QString loginTestNoBrowser = QStringLiteral("Unable to open the link in your internet browser");
} // namespace

void TestLoginDialog::init()
{
    m_boxes = std::make_unique<BoxRecorder>();
    m_service = std::make_unique<TestServer>();
    m_service->on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
}

void TestLoginDialog::cleanup()
{
    m_dialog.reset();
    m_boxes.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    m_service.reset();
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

void TestLoginDialog::makeDialog(const QString& server, bool shown)
{
    m_dialog = std::make_unique<LoginDialog>(server.isEmpty() ? m_service->baseUrl() : server,
        QStringLiteral("ann@example.org"), QStringLiteral("secret"), Qt::Checked);
    m_grid = widget<QLabel>("serverLabel")->parentWidget()->findChild<QGridLayout*>();
    if (shown) {
        m_dialog->show();
        if (!QTest::qWaitForWindowExposed(m_dialog.get()))
            qWarning("the dialog was not shown");
    }
}

// Ok is refused while the server is edited. Leaving the edit probes, even when unchanged; Return in it
// probes once and presses nothing else; a refused server keeps the edit open in pale yellow, also after
// an accepted one left a style sheet.
void TestLoginDialog::serverEditProbesOkWaitsForItAndCancelAbandonsAnAttempt()
{
    makeDialog();
    QApplication::setActiveWindow(m_dialog.get());
    auto* edit = widget<QLineEdit>("serverEdit");
    QTest::mouseClick(widget<ClickableLabel>("serverClickLabel"), Qt::LeftButton);
    QCOMPARE(serverCell(), edit);
    QTRY_VERIFY(edit->hasFocus());
    m_dialog->okBtnClicked();
    QCOMPARE(m_boxes->texts(), QStringList { QStringLiteral("Unable to connect to the server") });
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_service->requests().empty());
    widget<QLineEdit>("loginEdit")->setFocus();
    QTRY_COMPARE(serverCell(), widget<QLabel>("serverLabel"));
    QCOMPARE(m_service->requests().size(), std::size_t(1));

    m_dialog->serverClickLblClicked();
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(m_dialog->isBusy());
    QTRY_COMPARE(serverCell(), widget<QLabel>("serverLabel"));
    // The focus moved on without a second probe.
    QVERIFY(JobQueue::waitForAll(10000));
    QCoreApplication::processEvents();
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_service->requests().size(), std::size_t(2));
    QCOMPARE(m_service->requests().back().target, std::string("/rest/Logoff"));
    // Enter presses Ok, not the Cancel button that comes first.
    widget<QLineEdit>("loginEdit")->setText(QStringLiteral("bob"));
    QTest::keyClick(widget<QLineEdit>("passwordEdit"), Qt::Key_Return);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_dialog->login(), QStringLiteral("bob"));

    m_dialog->show();
    m_dialog->serverClickLblClicked();
    edit->setText(QStringLiteral("http://127.0.0.1:%1").arg(TestServer().port()));
    m_dialog->serverEditFinished();
    QTRY_VERIFY(!m_dialog->isBusy());
    QCOMPARE(serverCell(), edit);
    QCOMPARE(m_dialog->server(), m_service->baseUrl());
    QCOMPARE(m_boxes->texts().size(), 1);
    QCOMPARE(edit->palette().color(QPalette::Base), QColor(249, 249, 153)); // pale yellow
    QVERIFY(edit->styleSheet().isEmpty());
    m_dialog->reject();
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));

    // While an attempt runs the dialog says so and takes no input; Cancel and Escape end the wait at once,
    // and what the abandoned attempt still brings is ignored.
    for (const auto& [path, text] :
        { std::pair { "/rest/Logoff", "Logged off." }, { "/rest/Logon", "Logged on." } }) {
        TestReply slow = TestReply::text(200, text);
        slow.delay = std::chrono::milliseconds(400);
        m_service->on("GET", path, slow);
    }
    m_dialog->setLogonEnabled(true);
    m_dialog->show();
    edit->setText(m_service->baseUrl());
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(widget<QLabel>("busyLabel")->text(), QStringLiteral("Checking the server…"));
    QVERIFY(!widget<QLineEdit>("loginEdit")->isEnabled() && !widget<QPushButton>("okButton")->isEnabled());
    QTest::mouseClick(widget<QPushButton>("cancelButton"), Qt::LeftButton);
    QVERIFY(!m_dialog->isBusy() && m_dialog->isVisible() && edit->isEnabled());
    QVERIFY(JobQueue::waitForAll(10000));
    QCoreApplication::processEvents();
    QCOMPARE(serverCell(), edit);

    // The same for a logon: Escape, and the session it may have opened is logged off unseen.
    edit->setText(m_service->baseUrl());
    m_dialog->serverEditFinished();
    QTRY_COMPARE(serverCell(), widget<QLabel>("serverLabel"));
    m_dialog->okBtnClicked();
    QCOMPARE(widget<QLabel>("busyLabel")->text(), QStringLiteral("Logging on…"));
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isBusy() && m_dialog->isVisible());
    QVERIFY(JobQueue::waitForAll(10000));
    QCoreApplication::processEvents();
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(!m_dialog->takeSession());
    QCOMPARE(m_boxes->texts().size(), 1);

    // Left alone, the logon accepts the dialog with its session.
    m_dialog->okBtnClicked();
    QTRY_COMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(m_dialog->takeSession());
}

// The forgotten-password link opens the server's page, by mouse or Space; Enter on the server link opens
// its edit. The about box opens with the focus on itself: Enter opens nothing until Tab reaches the link.
// A link opens on the release of the mouse, wherever that is.
void TestLoginDialog::linksOpenByMouseOrKeyInThePalettesColours()
{
    AboutDialog about;
    auto* home = about.findChild<ClickableLabel*>(QStringLiteral("homeLink"));
    {
        TestBrowser browser;
        makeDialog(QStringLiteral("secure.torvex.example"));
        QTest::keyClick(widget<ClickableLabel>("passwdClickLabel"), Qt::Key_Space);
        QTest::keyClick(widget<ClickableLabel>("serverClickLabel"), Qt::Key_Return);
        QCOMPARE(serverCell(), widget<QLineEdit>("serverEdit"));
        // Each new dialog replaces a shown one, the first while its server is being edited.
        for (const QString server : { "httpd.example.org", "https://127.0.0.1:8443" }) {
            makeDialog(server, false);
            QTest::mouseClick(widget<ClickableLabel>("passwdClickLabel"), Qt::LeftButton);
        }
        about.show();
        QApplication::setActiveWindow(&about);
        QVERIFY(QTest::qWaitForWindowActive(&about));
        for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Tab, Qt::Key_Return })
            QTest::keyClick(QApplication::focusWidget(), key);
        QTest::mousePress(home, Qt::LeftButton);
        QCOMPARE(browser.opened.size(), 4);
        QTest::mouseRelease(home, Qt::LeftButton, {}, QPoint(-40, 300));
        QCOMPARE(browser.opened,
            (QList<QUrl> { QUrl("https://secure.torvex.example"), QUrl("https://httpd.example.org"),
                QUrl("https://127.0.0.1:8443"), QUrl("http://www.torvex.example"),
                QUrl("http://www.torvex.example") }));
    }
    QVERIFY(m_boxes->texts().isEmpty());
    // The headless test platform has no browser.
    QTest::mouseClick(widget<ClickableLabel>("passwdClickLabel"), Qt::LeftButton);
    QTest::mouseClick(home, Qt::LeftButton);
    QCOMPARE(m_boxes->texts(),
        QStringList({ loginTestNoBrowser + ", to recover your password go to https://127.0.0.1:8443",
            loginTestNoBrowser }));

    // On a dark colour scheme the links and the product name are drawn in its light colours.
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
    dark.setColor(QPalette::Link, QColor(0x80, 0xc0, 0xff));
    m_dialog->setPalette(dark);
    const auto count = [](const QImage& image, const std::function<bool(const QColor&)>& match) {
        int found = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                found += match(image.pixelColor(x, y));
        }
        return found;
    };
    QVERIFY(count(widget<ClickableLabel>("passwdClickLabel")->grab().toImage(), [&dark](const QColor& pixel) {
        return pixel == dark.color(QPalette::Link);
    }) > 10);
    // None of the dark grey of the name is left to vanish on the dark window.
    const QImage logo = widget<QLabel>("logoLabel")->pixmap().toImage();
    QVERIFY(!logo.isNull());
    QCOMPARE(count(logo,
                 [](const QColor& pixel) {
                     return pixel.alpha() > 64 && pixel.lightness() < 80 && pixel.hslSaturation() < 64;
                 }),
        0);
}

void TestLoginDialog::translationsFollowTheLanguage_data()
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

// The program's own translation is found in the folders it is given; the toolkit's is installed too.
void TestLoginDialog::translationsFollowTheLanguage()
{
    QFETCH(QString, locale);
    QFETCH(bool, installed);
    QFETCH(QString, remember);
    QFETCH(QString, size);
    QCOMPARE(TranslationLoader::install(QLocale(locale), { QStringLiteral(TEST_TRANSLATIONS) }), installed);
    makeDialog(QString(), false);
    QCOMPARE(widget<QCheckBox>("rememberBox")->text(), remember);
    QCOMPARE(sizeText(2048), size);
}

QTEST_MAIN(TestLoginDialog)
#include "tst_logindialog.moc"
