#include "app/opensession.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Runs the step of scripts/run-demo that prepares the demo's settings before the program starts.
bool prepareDemoSettings(const QString& dataHome, const QString& server, const QString& caBundle)
{
    QProcess process;
    process.setWorkingDirectory(QStringLiteral(TORVEX_SOURCE_DIR));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("bash"),
        { QStringLiteral("-c"), QStringLiteral("source scripts/demo-lib.sh && demo_write_settings \"$@\""),
            QStringLiteral("run-demo"), dataHome, server, caBundle });
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString demoValue(const QString& file, const char* key)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QLatin1String(settingsGroup));
    return settings.value(QLatin1String(key), QStringLiteral("<missing>")).toString();
}
} // namespace

class TestDemoSettings : public QObject
{
    Q_OBJECT

private slots:
    void remembersLoginAcrossRuns();
};

// The program rewrites the whole file in its own form after a logon; the next demo run must leave
// the remembered login alone and touch only the server and the certificate authority, when they moved.
void TestDemoSettings::remembersLoginAcrossRuns()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString file
        = home.path() + QStringLiteral("/Torvex/TorvexTransfer/") + QLatin1String(settingsFileName);
    // A comma would split an unquoted value into a list.
    const QString caBundle = home.path() + QStringLiteral("/server data, demo/ca.pem");
    const QString server = QStringLiteral("https://127.0.0.1:8443");

    QVERIFY(prepareDemoSettings(home.path(), server, caBundle));
    QCOMPARE(demoValue(file, settingsServerKey), server);
    QCOMPARE(demoValue(file, settingsLoginKey), QStringLiteral("demo"));
    QCOMPARE(demoValue(file, settingsCaBundleKey), caBundle);
    QCOMPARE(demoValue(file, settingsPasswordKey), QStringLiteral("<missing>"));
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.beginGroup(QLatin1String(settingsGroup));
        settings.setValue(QLatin1String(settingsLoginKey), QStringLiteral("guest"));
        settings.setValue(QLatin1String(settingsPasswordKey), QStringLiteral("scrambled"));
    }
    const QByteArray afterLogon = fileContents(file);

    QVERIFY(prepareDemoSettings(home.path(), server, caBundle));
    QCOMPARE(fileContents(file), afterLogon);

    const QString movedServer = QStringLiteral("https://127.0.0.1:9443");
    const QString movedCaBundle = home.path() + QStringLiteral("/other/ca.pem");
    QVERIFY(prepareDemoSettings(home.path(), movedServer, movedCaBundle));
    QCOMPARE(demoValue(file, settingsServerKey), movedServer);
    QCOMPARE(demoValue(file, settingsCaBundleKey), movedCaBundle);
    QCOMPARE(demoValue(file, settingsLoginKey), QStringLiteral("guest"));
    QCOMPARE(demoValue(file, settingsPasswordKey), QStringLiteral("scrambled"));
}

QTEST_GUILESS_MAIN(TestDemoSettings)
#include "tst_demosettings.moc"
