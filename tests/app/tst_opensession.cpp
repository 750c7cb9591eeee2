#include "app/logindialog.h"
#include "app/opensession.h"
#include "rest/rest.h"
#include "support/fakeservice.h"
#include "support/recorders.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using SessionAnswer = std::function<int(LoginDialog&)>;

// What the dialog showed when it was run.
struct ShownLogin
{
    QString server;
    QString login;
    QString password;
    Qt::CheckState remember;
};

namespace {
void openSessionTestFill(LoginDialog& dialog, const QString& login, const QString& password,
    Qt::CheckState remember = Qt::Unchecked)
{
    dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit"))->setText(login);
    dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(password);
    dialog.findChild<QCheckBox*>(QStringLiteral("rememberBox"))->setCheckState(remember);
}

// Changes the server the way a user does: the link, the edit, and the probe on leaving it.
void openSessionTestChangeServer(LoginDialog& dialog, const QString& server)
{
    dialog.show();
    dialog.serverClickLblClicked();
    dialog.findChild<QLineEdit*>(QStringLiteral("serverEdit"))->setText(server);
    dialog.serverEditFinished();
}
} // namespace

class TestOpenSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartShowsDefaultsAndStoresOnlyAfterALogon();
    void failedLogonsBringTheDialogBackWithWhatWasTyped_data();
    void failedLogonsBringTheDialogBackWithWhatWasTyped();
    void rememberedPasswordComesBackNextTime_data();
    void rememberedPasswordComesBackNextTime();
    void storedPasswordThatDoesNotUnscrambleComesBackEmpty();
    void caBundleOfTheSettingsIsTrusted();
    void settingsDirectoryThatCannotBeMadeEndsTheStart();

private:
    void answer(SessionAnswer answer) { m_answers.append(std::move(answer)); }
    SessionAnswer record(int result);
    void writeSettings(const QMap<QString, QString>& values);
    QMap<QString, QString> storedSettings() const;

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<FakeService> m_service;
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<LineRecorder> m_lines;
    QList<SessionAnswer> m_answers;
    QList<ShownLogin> m_shown;
    QByteArray m_realHome;
};

void TestOpenSession::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_realHome = qgetenv("HOME");
}

void TestOpenSession::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("HOME", QFile::encodeName(m_home->path()));
    m_service = std::make_unique<FakeService>();
    m_boxes = std::make_unique<BoxRecorder>();
    m_lines = std::make_unique<LineRecorder>();
    m_answers.clear();
    m_shown.clear();
    setLoginDialogRunner([this](LoginDialog& dialog) {
        m_shown.append({ dialog.server(), dialog.login(), dialog.password(), dialog.rememberState() });
        if (m_answers.isEmpty()) {
            qWarning("the login dialog ran more often than the test expected");
            return int(QDialog::Rejected);
        }
        return m_answers.takeFirst()(dialog);
    });
}

void TestOpenSession::cleanup()
{
    setLoginDialogRunner(nullptr);
    QVERIFY2(m_answers.isEmpty(), "the login dialog ran less often than the test expected");
    m_lines.reset();
    m_boxes.reset();
    m_service.reset();
    qputenv("HOME", m_realHome);
    m_home.reset();
}

void TestOpenSession::writeSettings(const QMap<QString, QString>& values)
{
    QVERIFY(QDir().mkpath(settingsDirectory()));
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        settings.setValue(QStringLiteral("logindialog/") + it.key(), it.value());
}

QMap<QString, QString> TestOpenSession::storedSettings() const
{
    QMap<QString, QString> values;
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    return values;
}

void TestOpenSession::firstStartShowsDefaultsAndStoresOnlyAfterALogon()
{
    QCOMPARE(settingsFilePath(),
        QDir::toNativeSeparators(
            m_home->path() + QStringLiteral("/.qttest/share/Torvex/TorvexTransfer/TorvexTransfer.conf")));
    answer([](LoginDialog&) { return int(QDialog::Rejected); });
    QCOMPARE(openSession(), nullptr);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown[0].server, QStringLiteral("secure.torvex.example"));
    QCOMPARE(m_shown[0].login, QString());
    QCOMPARE(m_shown[0].password, QString());
    QCOMPARE(m_shown[0].remember, Qt::Unchecked);
    QVERIFY(QFileInfo(settingsDirectory()).isDir());
    QVERIFY(!QFile::exists(settingsFilePath()));

    const QString server = m_service->baseUrl();
    answer([server](LoginDialog& dialog) {
        openSessionTestChangeServer(dialog, server);
        openSessionTestFill(dialog, QStringLiteral("demo"), QStringLiteral("demo"));
        return int(QDialog::Accepted);
    });
    const std::unique_ptr<Rest> session(openSession());
    QVERIFY(session);
    QVERIFY(m_lines->contains(QStringLiteral("Rest logon() successful")));
    QCOMPARE(storedSettings(),
        (QMap<QString, QString> { { "logindialog/server", server }, { "logindialog/login", "demo" } }));
    QFile file(settingsFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("[logindialog]"));
    QVERIFY(m_boxes->texts().isEmpty());
}

void TestOpenSession::failedLogonsBringTheDialogBackWithWhatWasTyped_data()
{
    QTest::addColumn<bool>("unreachable");
    QTest::addColumn<QString>("box");
    QTest::newRow("refused") << false
                             << "Unable to login to the server, check your login details and try again.";
    QTest::newRow("unreachable") << true << "Unable to connect to server.";
}

void TestOpenSession::failedLogonsBringTheDialogBackWithWhatWasTyped()
{
    QFETCH(bool, unreachable);
    QFETCH(QString, box);
    writeSettings({ { "server", m_service->baseUrl() }, { "login", "old@example.org" } });
    const QMap<QString, QString> before = storedSettings();
    if (unreachable)
        m_service->setFault("/rest/Logon", FakeService::dropped());
    FakeService* service = m_service.get();

    answer([](LoginDialog& dialog) {
        openSessionTestFill(dialog, QStringLiteral("demo"), QStringLiteral("wrong"), Qt::Checked);
        return int(QDialog::Accepted);
    });
    answer([this, before](LoginDialog&) {
        // Nothing is stored after a failed logon.
        [&] { QCOMPARE(storedSettings(), before); }();
        return int(QDialog::Rejected);
    });
    QCOMPARE(openSession(), nullptr);
    QCOMPARE(m_boxes->texts(), QStringList { box });
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[1].login, QStringLiteral("demo"));
    QCOMPARE(m_shown[1].password, QStringLiteral("wrong"));
    QCOMPARE(m_shown[1].remember, Qt::Checked);
    QCOMPARE(storedSettings(), before);

    // The same dialog again, corrected this time.
    m_boxes->clear();
    m_shown.clear();
    answer([](LoginDialog& dialog) {
        openSessionTestFill(dialog, QStringLiteral("demo"), QStringLiteral("wrong"));
        return int(QDialog::Accepted);
    });
    answer([service](LoginDialog& dialog) {
        service->clearFault("/rest/Logon");
        openSessionTestFill(dialog, QStringLiteral("demo"), QStringLiteral("demo"));
        return int(QDialog::Accepted);
    });
    const std::unique_ptr<Rest> session(openSession());
    QVERIFY(session);
    QCOMPARE(m_boxes->texts(), QStringList { box });
    QCOMPARE(storedSettings().value("logindialog/login"), QStringLiteral("demo"));
}

void TestOpenSession::rememberedPasswordComesBackNextTime_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<Qt::CheckState>("remember");
    QTest::addColumn<bool>("stored");
    QTest::newRow("remembered") << "dëmo pass&word" << Qt::Checked << true;
    QTest::newRow("remembered empty") << "" << Qt::Checked << true;
    QTest::newRow("not remembered") << "dëmo pass&word" << Qt::Unchecked << false;
}

void TestOpenSession::rememberedPasswordComesBackNextTime()
{
    QFETCH(QString, password);
    QFETCH(Qt::CheckState, remember);
    QFETCH(bool, stored);
    m_service->addUser("ann", password.toStdString());
    // An earlier remembered password that an unchecked box must remove.
    writeSettings({ { "server", m_service->baseUrl() }, { "login", "ann" }, { "passwd", "left over" } });
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    answer([password, remember](LoginDialog& dialog) {
        openSessionTestFill(dialog, QStringLiteral("ann"), password, remember);
        return int(QDialog::Accepted);
    });
    QVERIFY(std::unique_ptr<Rest>(openSession()));
    QCOMPARE(storedSettings().contains("logindialog/passwd"), stored);
    if (stored) {
        const QString scrambled = storedSettings().value("logindialog/passwd");
        QCOMPARE(scrambled.isEmpty(), password.isEmpty());
        QVERIFY(!scrambled.contains(QStringLiteral("pass")));
    }

    answer([](LoginDialog&) { return int(QDialog::Rejected); });
    QCOMPARE(openSession(), nullptr);
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[1].login, QStringLiteral("ann"));
    QCOMPARE(m_shown[1].password, stored ? password : QString());
    QCOMPARE(m_shown[1].remember, stored ? Qt::Checked : Qt::Unchecked);
}

void TestOpenSession::storedPasswordThatDoesNotUnscrambleComesBackEmpty()
{
    writeSettings(
        { { "server", m_service->baseUrl() }, { "login", "demo" }, { "passwd", "bm90IHNjcmFtYmxlZA==" } });
    answer([](LoginDialog&) { return int(QDialog::Rejected); });
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    QCOMPARE(openSession(), nullptr);
    QCOMPARE(m_shown[0].password, QString());
    QCOMPARE(m_shown[0].remember, Qt::Checked);
}

void TestOpenSession::caBundleOfTheSettingsIsTrusted()
{
    FakeService secure(TestServer::Scheme::Https);
    writeSettings({ { "server", secure.baseUrl() }, { "login", "demo" } });
    answer([](LoginDialog& dialog) {
        openSessionTestFill(dialog, QStringLiteral("demo"), QStringLiteral("demo"));
        return int(QDialog::Accepted);
    });
    answer([](LoginDialog&) { return int(QDialog::Rejected); });
    QCOMPARE(openSession(), nullptr);
    QCOMPARE(m_boxes->texts(), QStringList { QStringLiteral("Unable to connect to server.") });

    writeSettings({ { "cabundle", secure.caCertificatePath() } });
    answer([](LoginDialog& dialog) {
        openSessionTestFill(dialog, QStringLiteral("demo"), QStringLiteral("demo"));
        return int(QDialog::Accepted);
    });
    const std::unique_ptr<Rest> session(openSession());
    QVERIFY(session);
    // The probe of the dialog trusts it as well.
    answer([&secure](LoginDialog& dialog) {
        openSessionTestChangeServer(dialog, secure.baseUrl());
        [&] { QCOMPARE(dialog.server(), secure.baseUrl()); }();
        return int(QDialog::Rejected);
    });
    QCOMPARE(openSession(), nullptr);
    QCOMPARE(storedSettings(),
        (QMap<QString, QString> { { "logindialog/server", secure.baseUrl() }, { "logindialog/login", "demo" },
            { "logindialog/cabundle", secure.caCertificatePath() } }));
}

void TestOpenSession::settingsDirectoryThatCannotBeMadeEndsTheStart()
{
    const QString parent = QFileInfo(QDir::fromNativeSeparators(settingsDirectory())).path();
    QVERIFY(QDir().mkpath(QFileInfo(parent).path()));
    QFile blocker(parent);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(openSession(), nullptr);
    QCOMPARE(m_boxes->texts(), QStringList { "Unable to make directory: " + settingsDirectory() + "." });
    QVERIFY(m_shown.isEmpty());
}

QTEST_MAIN(TestOpenSession)
#include "tst_opensession.moc"
