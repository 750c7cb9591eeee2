#include "demotestserver.h"
#include "model/jsonparser.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {
// A file of size bytes that differ from those of another seed; returns its SHA-1.
QByteArray demoSessionWriteFile(const QString& path, qint64 size, unsigned seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QByteArray block(1024 * 1024, '\0');
    std::uint32_t x = 2463534242u + seed * 7919u;
    for (qint64 written = 0; written < size; written += block.size()) {
        for (char& c : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x >> 24);
        }
        const QByteArray piece
            = block.left(static_cast<qsizetype>(std::min<qint64>(block.size(), size - written)));
        file.write(piece);
        hash.addData(piece);
    }
    return hash.result();
}

QByteArray demoSessionFileHash(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result();
}

template<typename Call> RestResponse demoSessionRefusal(Call call)
{
    try {
        call();
    } catch (const RestException& e) {
        return e.response;
    }
    return RestResponse { -1, QStringLiteral("no RestException") };
}

const RestProject* demoSessionProject(const QList<RestProject>& projects, const QString& name)
{
    for (const RestProject& project : projects) {
        if (project.name() == name)
            return &project;
    }
    return nullptr;
}

int demoSessionFolder(const QList<RestFolder>& folders, const QString& name)
{
    for (const RestFolder& folder : folders) {
        if (folder.name() == name)
            return folder.id();
    }
    return -1;
}
} // namespace

// The program's own session against the demo server: what the client sends is what the server takes,
// and what the server answers is what the client reads.
class TestDemoSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wholeSession();
    void permissionRefusalsMatchTheClientsChecks();
    void badInputIsRefusedWithReadableText();
    void sessionCarriesOnAfterARestart();
    void twoClientsAtOnce();
    void httpsWithTheServersAuthority();

private:
    QString url() const { return m_server->baseUrl(); }

    std::unique_ptr<DemoTestServer> m_server;
    std::unique_ptr<QTemporaryDir> m_files;
};

void TestDemoSession::init()
{
    m_server = std::make_unique<DemoTestServer>();
    QVERIFY(m_server->start());
    m_files = std::make_unique<QTemporaryDir>();
}

void TestDemoSession::cleanup()
{
    m_server.reset();
    m_files.reset();
}

void TestDemoSession::wholeSession()
{
    Rest::checkServer(url());
    QCOMPARE(
        demoSessionRefusal([&] { Rest(url(), QStringLiteral("demo"), QStringLiteral("nope")); }).statusCode,
        401);

    Rest rest(url(), QStringLiteral("demo@torvex.example"), QStringLiteral("demo"));
    const QList<RestProject> projects = rest.getProjects();
    QCOMPARE(projects.size(), 4);
    const RestProject* bridge = demoSessionProject(projects, QStringLiteral("Harbour Bridge Renovation"));
    QVERIFY(bridge);
    QVERIFY(!bridge->isFree());
    QVERIFY(demoSessionProject(projects, QStringLiteral("Community Library"))->isFree());
    const int project = bridge->id();
    const QList<RestFolder> top = rest.getProjectFolders(project);
    QCOMPARE(bridge->childCount(), top.size());
    QVERIFY(demoSessionFolder(top, QStringLiteral("(separator)")) > 0);
    const int drawings = demoSessionFolder(top, QStringLiteral("Drawings"));
    QVERIFY(rest.getContact(project).isAdmin());
    QVERIFY(rest.getFolderAccess(drawings).canAddSubfolder());
    const QList<RestStatus> statuses = rest.getProjectStatusses(project);
    QCOMPARE(statuses.size(), 5);
    const QList<RestFolder> children = rest.getChildFolders(project, drawings);
    QCOMPARE(children.size(), 3);
    QCOMPARE(children.at(0).path(), QStringLiteral("Drawings/Site"));

    // A folder as the upload worker makes it, then once more.
    const QString body = JSONParser::createDirectoryJson(
        QStringLiteral("Survey 2025"), QStringLiteral("documents"), drawings, 0, QString());
    const RestFolder created = rest.createDirectory(body, project);
    QCOMPARE(created.name(), QStringLiteral("Survey 2025"));
    QCOMPARE(created.parentId(), drawings);
    QCOMPARE(created.path(), QStringLiteral("Drawings/Survey 2025"));
    QCOMPARE(rest.getChildFolders(project, drawings).size(), 4);
    const RestResponse duplicate = demoSessionRefusal([&] { rest.createDirectory(body, project); });
    QVERIFY(duplicate.body.contains(QStringLiteral("Folder with that name exists already")));

    // 50 MiB up, a revision, and the current revision down, byte for byte.
    const QString first = m_files->filePath(QStringLiteral("first.bin"));
    const QString second = m_files->filePath(QStringLiteral("second.bin"));
    const QByteArray firstHash = demoSessionWriteFile(first, 50 * 1024 * 1024, 1);
    const QByteArray secondHash = demoSessionWriteFile(second, 50 * 1024 * 1024 + 3, 2);
    const RestDocument uploaded = rest.uploadDocument(
        created.id(), QStringLiteral("Levels ü.bin"), QStringLiteral("first"), statuses.at(0).id(), first);
    QCOMPARE(uploaded.name(), QStringLiteral("Levels ü.bin"));
    QCOMPARE(uploaded.size(), qint64(50 * 1024 * 1024));
    QCOMPARE(uploaded.nrRevisions(), 1);
    QCOMPARE(uploaded.statusId(), statuses.at(0).id());
    QCOMPARE(uploaded.authorId(), rest.getContact(project).id());
    QVERIFY(uploaded.uploaded().isValid());
    const QString downloaded = m_files->filePath(QStringLiteral("downloaded.bin"));
    rest.downloadDocument(created.id(), uploaded.id(), downloaded);
    QCOMPARE(demoSessionFileHash(downloaded), firstHash);

    const RestDocument revised = rest.uploadDocumentRevision(created.id(), QStringLiteral("Levels ü.bin"),
        QStringLiteral("second"), statuses.at(1).id(), uploaded.id(), second);
    QCOMPARE(revised.id(), uploaded.id());
    QCOMPARE(revised.nrRevisions(), 2);
    QCOMPARE(revised.revisionNr(), 2);
    QCOMPARE(revised.description(), QStringLiteral("second"));
    QCOMPARE(rest.getDocuments(created.id()), QList<RestDocument> { revised });
    rest.downloadDocument(created.id(), uploaded.id(), downloaded);
    QCOMPARE(demoSessionFileHash(downloaded), secondHash);

    // A new document of an existing name is refused: the client sends a revision instead.
    QCOMPARE(demoSessionRefusal([&] {
        rest.uploadDocument(created.id(), QStringLiteral("Levels ü.bin"), QString(), 0, first);
    }).statusCode,
        409);
}

void TestDemoSession::permissionRefusalsMatchTheClientsChecks()
{
    Rest admin(url(), QStringLiteral("demo"), QStringLiteral("demo"));
    Rest guest(url(), QStringLiteral("guest"), QStringLiteral("guest"));
    const int project
        = demoSessionProject(guest.getProjects(), QStringLiteral("Harbour Bridge Renovation"))->id();
    const QList<RestFolder> top = guest.getProjectFolders(project);
    const int drawings = demoSessionFolder(top, QStringLiteral("Drawings"));
    const int photos = demoSessionFolder(top, QStringLiteral("Site photos"));
    const QString file = m_files->filePath(QStringLiteral("file.txt"));
    demoSessionWriteFile(file, 1000, 3);

    // What the client checks first, the server refuses too.
    QVERIFY(!guest.getContact(project).isAdmin());
    const RestResponse root = demoSessionRefusal([&] {
        guest.createDirectory(JSONParser::createDirectoryJson(QStringLiteral("Mine"),
                                  QStringLiteral("documents"), 0, 0, RestFolderAccess().toJson()),
            project);
    });
    QCOMPARE(root.statusCode, 403);
    QVERIFY(!root.body.isEmpty());

    QVERIFY(!guest.getFolderAccess(drawings).canAdd());
    const RestResponse add = demoSessionRefusal(
        [&] { guest.uploadDocument(drawings, QStringLiteral("file.txt"), QString(), 0, file); });
    QCOMPARE(add.statusCode, 403);
    QVERIFY(add.body.contains(QStringLiteral("not allowed")));

    QVERIFY(!guest.getFolderAccess(drawings).canAddSubfolder());
    QCOMPARE(demoSessionRefusal([&] {
        guest.createDirectory(JSONParser::createDirectoryJson(QStringLiteral("Mine"),
                                  QStringLiteral("documents"), drawings, 0, QString()),
            project);
    }).statusCode,
        403);

    QVERIFY(!guest.getFolderAccess(photos).canDownload());
    const int photo = guest.getDocuments(photos).at(0).id();
    const RestResponse download = demoSessionRefusal(
        [&] { guest.downloadDocument(photos, photo, m_files->filePath(QStringLiteral("photo.png"))); });
    QCOMPARE(download.statusCode, 403);

    // And what the client allows, the server does.
    QVERIFY(guest.getFolderAccess(photos).canAdd());
    QCOMPARE(
        guest.uploadDocument(photos, QStringLiteral("file.txt"), QString(), 0, file).size(), qint64(1000));
    QVERIFY(admin.getFolderAccess(drawings).canAddRevision());
}

// The raw requests test every bad input; here the ones the session can send.
void TestDemoSession::badInputIsRefusedWithReadableText()
{
    Rest rest(url(), QStringLiteral("demo"), QStringLiteral("demo"));
    const int project = rest.getProjects().at(0).id();
    const int drawings = demoSessionFolder(rest.getProjectFolders(project), QStringLiteral("Drawings"));
    const QString file = m_files->filePath(QStringLiteral("file.txt"));
    demoSessionWriteFile(file, 10, 4);

    const auto refusal = [](const RestResponse& response, int status) {
        return response.statusCode == status && !response.body.isEmpty();
    };
    QVERIFY(refusal(demoSessionRefusal([&] { rest.getDocuments(99999); }), 404));
    QVERIFY(refusal(demoSessionRefusal([&] { rest.getChildFolders(project, 99999); }), 404));
    QVERIFY(refusal(
        demoSessionRefusal([&] { rest.createDirectory(QStringLiteral("{\"Name\":"), project); }), 400));
    QVERIFY(refusal(
        demoSessionRefusal([&] { rest.uploadDocument(drawings, QStringLiteral(".."), {}, 0, file); }), 400));
    QVERIFY(refusal(demoSessionRefusal([&] {
        rest.uploadDocumentRevision(drawings, QStringLiteral("x"), {}, 0, 99999, file);
    }),
        404));
    QCOMPARE(rest.getChildFolders(project, drawings).size(), 3);
    QCOMPARE(m_server->temporaryFileCount(), 0);

    // Quotes and braces in a name are no bad input: they travel escaped.
    const QString odd = QStringLiteral("Say \"hi\" {now}");
    QCOMPARE(rest.createDirectory(JSONParser::createDirectoryJson(
                                      odd, QStringLiteral("documents"), drawings, 0, QString()),
                     project)
                 .name(),
        odd);
}

void TestDemoSession::sessionCarriesOnAfterARestart()
{
    Rest rest(url(), QStringLiteral("demo"), QStringLiteral("demo"));
    const int project = rest.getProjects().at(0).id();
    const int drawings = demoSessionFolder(rest.getProjectFolders(project), QStringLiteral("Drawings"));
    const QString file = m_files->filePath(QStringLiteral("kept.bin"));
    const QByteArray hash = demoSessionWriteFile(file, 3 * 1024 * 1024, 5);
    const RestDocument kept
        = rest.uploadDocument(drawings, QStringLiteral("kept.bin"), QStringLiteral("kept"), 0, file);
    const RestFolder folder = rest.createDirectory(JSONParser::createDirectoryJson(QStringLiteral("Kept"),
                                                       QStringLiteral("documents"), drawings, 0, QString()),
        project);

    // The same address after the restart; the sessions are gone and the keep-alive logon brings one back.
    m_server->config().httpPort = m_server->port();
    QVERIFY(m_server->restart());
    QCOMPARE(demoSessionRefusal([&] { rest.getProjects(); }).statusCode, 401);
    rest.logon();
    QVERIFY(rest.getDocuments(drawings).contains(kept));
    QVERIFY(rest.getChildFolders(project, drawings).contains(folder));
    const QString downloaded = m_files->filePath(QStringLiteral("downloaded.bin"));
    rest.downloadDocument(drawings, kept.id(), downloaded);
    QCOMPARE(demoSessionFileHash(downloaded), hash);
    // Asked to seed again at the restart, the server left the data alone.
    QCOMPARE(rest.getProjects().size(), 4);
}

void TestDemoSession::twoClientsAtOnce()
{
    std::atomic<int> succeeded { 0 };
    const auto client = [&](const QString& login, const QString& folderName, unsigned seed) {
        try {
            Rest rest(url(), login, login);
            const int project
                = demoSessionProject(rest.getProjects(), QStringLiteral("Riverside Office Park"))->id();
            const int folder = demoSessionFolder(rest.getProjectFolders(project), folderName);
            const QString up = m_files->filePath(login + QStringLiteral(".up"));
            const QString down = m_files->filePath(login + QStringLiteral(".down"));
            const QByteArray hash = demoSessionWriteFile(up, 20 * 1024 * 1024 + seed, seed);
            RestDocument document = rest.uploadDocument(folder, login + QStringLiteral(".bin"), {}, 0, up);
            for (int round = 0; round < 3; ++round) {
                document = rest.uploadDocumentRevision(folder, document.name(), {}, 0, document.id(), up);
                rest.downloadDocument(folder, document.id(), down);
                if (demoSessionFileHash(down) != hash)
                    return;
            }
            if (document.nrRevisions() == 4)
                ++succeeded;
        } catch (...) { }
    };
    std::thread demo(client, QStringLiteral("demo"), QStringLiteral("03 Construction"), 6);
    std::thread guest(client, QStringLiteral("guest"), QStringLiteral("03 Construction"), 7);
    demo.join();
    guest.join();
    QCOMPARE(succeeded.load(), 2);
}

void TestDemoSession::httpsWithTheServersAuthority()
{
    DemoTestServer server;
    server.config().tlsPort = 0;
    QVERIFY(server.start());
    const QString authority = QString::fromStdString(server.server().caCertificatePath());
    for (const QString& host : { QStringLiteral("127.0.0.1"), QStringLiteral("localhost") }) {
        const QString address = QStringLiteral("https://%1:%2").arg(host).arg(server.server().tlsPort());
        Rest::checkServer(address, authority);
        Rest rest(address, QStringLiteral("demo"), QStringLiteral("demo"), authority);
        QCOMPARE(rest.getProjects().size(), 4);
    }
    // Without the authority the certificate is not trusted.
    bool refused = false;
    try {
        Rest::checkServer(QString::fromStdString(server.server().httpsUrl()));
    } catch (const CurlConnectionException&) {
        refused = true;
    }
    QVERIFY(refused);
}

QTEST_GUILESS_MAIN(TestDemoSession)
#include "tst_demosession.moc"
