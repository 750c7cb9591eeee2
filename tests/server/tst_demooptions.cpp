#include "demooptions.h"

#include <QTest>

class TestDemoOptions : public QObject
{
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
};

void TestDemoOptions::parses_data()
{
    QTest::addColumn<QStringList>("arguments");
    // HTTP port, TLS port, data folder and seeding; empty when the arguments are refused.
    QTest::addColumn<QString>("expected");
    QTest::newRow("defaults") << QStringList() << "8080 -1 torvex-demo-data 0";
    QTest::newRow("free ports for both")
        << QStringList { "--port", "0", "--tls-port=0" } << "0 0 torvex-demo-data 0";
    QTest::newRow("HTTPS alone") << QStringList { "--tls-port", "8443" } << "-1 8443 torvex-demo-data 0";
    QTest::newRow("data and seed") << QStringList { "--data", "d i r", "--seed", "demo" }
                                   << "8080 -1 d i r 1";
    QTest::newRow("port not a number") << QStringList { "--port", "http" } << QString();
    QTest::newRow("port missing") << QStringList { "--port" } << QString();
    QTest::newRow("unknown seed") << QStringList { "--seed", "full" } << QString();
    QTest::newRow("certificate without key")
        << QStringList { "--tls-port", "0", "--cert", "c.pem" } << QString();
    QTest::newRow("unknown option") << QStringList { "--verbose" } << QString();
}

void TestDemoOptions::parses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    std::vector<std::string> list;
    for (const QString& argument : arguments)
        list.push_back(argument.toStdString());
    DemoOptions options;
    std::string error;
    QCOMPARE(options.parse(list, &error), !expected.isEmpty());
    QCOMPARE(error.empty(), !expected.isEmpty());
    if (expected.isEmpty())
        return;
    const auto& config = options.config();
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                 .arg(config.httpPort)
                 .arg(config.tlsPort)
                 .arg(QString::fromStdString(config.dataDirectory))
                 .arg(int(config.seedDemo)),
        expected);
    QCOMPARE(config.host, std::string("127.0.0.1"));
}

QTEST_GUILESS_MAIN(TestDemoOptions)
#include "tst_demooptions.moc"
