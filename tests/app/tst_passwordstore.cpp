#include "app/logindialog.h"
#include "app/opensession.h"
#include "app/passwordstore.h"
#include "rest/jobqueue.h"
#include "rest/sessionrunner.h"
#include "support/guifixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {
// Each start of the program is a process of its own, as it is for a user: nothing that QtKeychain,
// libsecret or D-Bus keep for a process carries over. The test runs this file's program as such a
// start: "--start SERVER [LOGIN PASSWORD REMEMBER(1/0) WAIT-MS]" first looks into the keychain for both
// users, as the starts before left it, then answers the login dialog and logs on. It prints one line
// "result:" + JSON.
int runStart(const QStringList& arguments)
{
    PasswordStore::setDefaultWaitLimit(arguments.value(6, "15000").toInt());
    QJsonObject result;
    PasswordStore keychain;
    for (const QString login : { "ann", "bob" })
        result.insert(login, keychain.read(arguments.value(2), login).value_or("<none>"));
    result.insert("available", keychain.isAvailable());
    setLoginDialogRunner([&](LoginDialog& dialog) {
        result.insert("password", dialog.password());
        result.insert("remembered", dialog.rememberState() == Qt::Checked);
        const Qt::CheckState remember
            = arguments.value(5) == QLatin1String("1") ? Qt::Checked : Qt::Unchecked;
        dialog.findChild<QCheckBox*>(QStringLiteral("rememberBox"))->setCheckState(remember);
        result.insert("note", !dialog.findChild<QLabel*>(QStringLiteral("rememberNote"))->isHidden());
        return submitLogin(dialog, arguments.value(3), arguments.value(4), remember);
    });
    if (arguments.size() > 3)
        result.insert("loggedOn", openSession() != nullptr);
    // The session logs off on a thread of its own.
    JobQueue::waitForAll(10000);
    std::printf("result:%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
} // namespace

// The remembered password in a real secret service (gnome-keyring on a session bus of the test's
// own), in the settings file where there is none, and the moves between the two.
class TestPasswordStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void rememberedPasswordFollowsTheKeychain();

private:
    enum class Keychain
    {
        Running,
        None, // no session bus
        Silent // a keyring that never answers
    };
    QJsonObject run(Keychain keychain, const QStringList& arguments = {});
    QString settingsFile() const
    {
        return m_dir.filePath("settings/Torvex/TorvexTransfer/") + settingsFileName;
    }

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QString m_busAddress;
    FakeService m_service;
};

void TestPasswordStore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString runtime = m_dir.filePath("runtime");
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // No service directories: nothing is started on demand behind the test's back.
    QFile config(m_dir.filePath("bus.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("<busconfig><type>session</type><listen>unix:dir=" + runtime.toUtf8()
        + "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
          "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    config.close();
    m_bus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_bus.start("dbus-daemon", { "--config-file=" + config.fileName(), "--nofork", "--print-address=1" });
    QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is missing; scripts/deps installs it");
    QVERIFY(m_bus.waitForReadyRead(10000));
    m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();

    QVERIFY(QDir().mkpath(m_dir.filePath("keyring-home/data")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", m_dir.filePath("keyring-home"));
    environment.insert("XDG_DATA_HOME", m_dir.filePath("keyring-home/data"));
    environment.insert("XDG_RUNTIME_DIR", runtime);
    environment.insert("DBUS_SESSION_BUS_ADDRESS", m_busAddress);
    m_keyring.setProcessEnvironment(environment);
    m_keyring.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // --unlock creates the login keyring with the password given on standard input, unlocked.
    m_keyring.start("gnome-keyring-daemon", { "--foreground", "--unlock", "--components=secrets" });
    QVERIFY2(m_keyring.waitForStarted(), "gnome-keyring-daemon is missing; scripts/deps installs it");
    m_keyring.write("keyring password");
    m_keyring.closeWriteChannel();
    // The daemon has taken its name on the bus when the keychain answers.
    QTRY_VERIFY_WITH_TIMEOUT(run(Keychain::Running).value("available").toBool(), 10000);
    m_service.addUser("ann", "pässwörd ann");
    m_service.addUser("bob", "bob's");
    // An earlier remembered password that does not unscramble: the box comes checked, the password empty.
    QSettings settings(settingsFile(), QSettings::IniFormat);
    settings.setValue("logindialog/server", m_service.baseUrl());
    settings.setValue("logindialog/login", "ann");
    settings.setValue("logindialog/passwd", "left over");
}

void TestPasswordStore::cleanupTestCase()
{
    for (QProcess* process : { &m_keyring, &m_bus }) {
        if (process->state() == QProcess::NotRunning)
            continue;
        // A keyring left stopped by a failed check ends only once it runs again.
        ::kill(pid_t(process->processId()), SIGCONT);
        process->terminate();
        process->waitForFinished(10000); // or the destructor kills it
    }
}

QJsonObject TestPasswordStore::run(Keychain keychain, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", m_dir.filePath("settings"));
    environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("runtime"));
    environment.insert("DBUS_SESSION_BUS_ADDRESS",
        keychain == Keychain::None ? "unix:path=" + m_dir.filePath("no-bus") : m_busAddress);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(
        QCoreApplication::applicationFilePath(), QStringList { "--start", m_service.baseUrl() } + arguments);
    // Well below the 25 s after which D-Bus itself gives up on a call.
    if (!process.waitForFinished(15000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        qWarning("a start of the program did not end well"); // the destructor kills one that hangs
        return {};
    }
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("result:"))
            return QJsonDocument::fromJson(line.mid(7)).object();
    }
    return {};
}

// One user's starts one after the other: what the login dialog shows and where the password is kept
// after each.
void TestPasswordStore::rememberedPasswordFollowsTheKeychain()
{
    const QString ann = "pässwörd ann";
    const QString none = "<none>";
    const struct
    {
        const char* what;
        Keychain keychain;
        QString login;
        bool remember;
        QString shown; // the password the dialog showed, from the keychain or the settings
        bool remembered;
        bool inSettings;
        // What this start found in the keychain, as the starts before left it (nothing without one).
        QString annInKeychain;
        QString bobInKeychain;
    } starts[] = {
        // Without a keychain the settings file keeps the password, scrambled, and the dialog says so.
        { "no keychain", Keychain::None, "ann", true, "", true, true, none, none },
        { "moved to the keychain", Keychain::Running, "ann", true, ann, true, false, none, none },
        { "another account", Keychain::Running, "bob", true, ann, true, false, ann, none },
        { "in both places", Keychain::None, "bob", true, "", false, true, none, none },
        { "unticked: gone from both", Keychain::Running, "bob", false, "bob's", true, false, none, "bob's" },
        // A keyring that never answers costs the dialog its short wait, then the settings file is used.
        { "keyring stopped", Keychain::Silent, "ann", true, "", false, true, none, none },
    };
    for (const auto& start : starts) {
        const pid_t keyring = pid_t(m_keyring.processId());
        const QString password = start.login == "ann" ? ann : "bob's";
        const bool running = start.keychain == Keychain::Running;
        if (start.keychain == Keychain::Silent)
            QCOMPARE(::kill(keyring, SIGSTOP), 0);
        const QJsonObject result = run(start.keychain,
            { start.login, password, start.remember ? "1" : "0",
                start.keychain == Keychain::Silent ? "300" : "15000" });
        if (start.keychain == Keychain::Silent)
            QCOMPARE(::kill(keyring, SIGCONT), 0);
        QVERIFY2(result
                == QJsonObject({ { "password", start.shown }, { "remembered", start.remembered },
                    { "note", !running }, { "loggedOn", true }, { "available", running },
                    { "ann", start.annInKeychain }, { "bob", start.bobInKeychain } }),
            start.what);
        const QSettings settings(settingsFile(), QSettings::IniFormat);
        QVERIFY2(settings.contains("logindialog/passwd") == start.inSettings
                && !settings.value("logindialog/passwd").toString().contains(password),
            start.what);
    }
    QCOMPARE(
        run(Keychain::Running), QJsonObject({ { "available", true }, { "ann", none }, { "bob", none } }));
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("--start"))
        return runStart(arguments);
    TestPasswordStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_passwordstore.moc"
