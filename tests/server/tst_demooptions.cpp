#include "demooptions.h"

#include <QTest>

namespace {
std::vector<std::string> demoOptionsArguments(const QStringList& arguments)
{
    std::vector<std::string> list;
    for (const QString& argument : arguments)
        list.push_back(argument.toStdString());
    return list;
}
} // namespace

class TestDemoOptions : public QObject
{
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void refuses_data();
    void refuses();
};

void TestDemoOptions::parses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("httpPort");
    QTest::addColumn<int>("tlsPort");
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("seed");

    QTest::newRow("defaults") << QStringList() << 8080 << -1 << "torvex-demo-data" << false;
    QTest::newRow("free ports for both")
        << QStringList { "--port", "0", "--tls-port=0" } << 0 << 0 << "torvex-demo-data" << false;
    QTest::newRow("HTTPS alone") << QStringList { "--tls-port", "8443" } << -1 << 8443 << "torvex-demo-data"
                                 << false;
    QTest::newRow("data and seed") << QStringList { "--data", "d i r", "--seed", "demo" } << 8080 << -1
                                   << "d i r" << true;
}

void TestDemoOptions::parses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, httpPort);
    QFETCH(int, tlsPort);
    QFETCH(QString, data);
    QFETCH(bool, seed);
    DemoOptions options;
    std::string error;
    QVERIFY2(options.parse(demoOptionsArguments(arguments), &error), error.c_str());
    QCOMPARE(options.config().httpPort, httpPort);
    QCOMPARE(options.config().tlsPort, tlsPort);
    QCOMPARE(QString::fromStdString(options.config().dataDirectory), data);
    QCOMPARE(options.config().seedDemo, seed);
    QCOMPARE(options.config().host, std::string("127.0.0.1"));
}

void TestDemoOptions::refuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("port not a number") << QStringList { "--port", "http" };
    QTest::newRow("port missing") << QStringList { "--port" };
    QTest::newRow("unknown seed") << QStringList { "--seed", "full" };
    QTest::newRow("certificate without key") << QStringList { "--tls-port", "0", "--cert", "c.pem" };
    QTest::newRow("unknown option") << QStringList { "--verbose" };
}

void TestDemoOptions::refuses()
{
    QFETCH(QStringList, arguments);
    DemoOptions options;
    std::string error;
    QVERIFY(!options.parse(demoOptionsArguments(arguments), &error));
    QVERIFY(!error.empty());
}

QTEST_GUILESS_MAIN(TestDemoOptions)
#include "tst_demooptions.moc"
