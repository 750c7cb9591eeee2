// What an upload into a folder of many documents costs the demo server, against one into an empty
// folder: finding a document of the same name must not cost a listing of the folder.
//
// Usage: bench_demoupload [--documents N] [--uploads N] [--runs N]
// Prints: case=upload-into-N documents=N uploads=N ms_per_upload=.. empty_ms_per_upload=.. ratio=..

#include "demoseed.h"
#include "demoserver.h"
#include "demostore.h"

#include <httplib.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {
struct BenchDemoUploadFolders
{
    int full = 0;
    int empty = 0;
};

int benchDemoUploadFolder(DemoStore& store, const DemoFolder& parent, const std::string& name)
{
    DemoStore::NewFolder folder;
    folder.projectId = parent.projectId;
    folder.parentId = parent.id;
    folder.name = name;
    folder.type = "documents";
    DemoFolder created;
    return store.createFolder(folder, &created) == DemoStore::FolderResult::Created ? created.id : 0;
}

// The sample data, and two folders below a folder of the sample: one with documents, one without.
std::optional<BenchDemoUploadFolders> benchDemoUploadFill(const std::string& directory, int documents)
{
    DemoStore store;
    std::string error;
    if (!store.open(directory, &error) || !DemoSeed::seed(store, &error)) {
        std::fprintf(stderr, "cannot make the data: %s\n", error.c_str());
        return std::nullopt;
    }
    const std::optional<DemoFolder> parent = store.folder(1);
    const std::optional<DemoUser> author = store.authenticate("demo", "demo");
    if (!parent || !author)
        return std::nullopt;
    BenchDemoUploadFolders folders;
    folders.full = benchDemoUploadFolder(store, *parent, "bench-full");
    folders.empty = benchDemoUploadFolder(store, *parent, "bench-empty");
    if (!folders.full || !folders.empty)
        return std::nullopt;
    for (int i = 0; i < documents; ++i) {
        DemoStore::NewRevision revision;
        revision.folderId = folders.full;
        revision.name = "document-" + std::to_string(i) + ".txt";
        revision.authorId = author->id;
        revision.file = store.temporaryDirectory() + "/fill";
        std::ofstream(revision.file).put('x');
        revision.size = 1;
        if (store.storeRevision(revision, nullptr) != DemoStore::RevisionResult::Stored)
            return std::nullopt;
    }
    return folders;
}

// Milliseconds per upload of a small new document into the folder; negative when one failed.
double benchDemoUploadTime(httplib::Client& client, const httplib::Headers& cookie, int folder, int uploads,
    const std::string& prefix)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < uploads; ++i) {
        const std::string target = "/rest/Documents?f=" + std::to_string(folder) + "&Name=" + prefix + '-'
            + std::to_string(i) + ".txt&Description=&StatusID=0";
        const httplib::Result result = client.Post(target.c_str(), cookie, "contents", "text/plain");
        if (!result || result->status != 200)
            return -1;
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / uploads;
}
} // namespace

int main(int argc, char** argv)
{
    int documents = 10000;
    int uploads = 200;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (option == "--documents")
            documents = value;
        else if (option == "--uploads")
            uploads = value;
        else if (option == "--runs")
            runs = value;
    }
    if (documents < 0 || uploads < 1 || runs < 1) {
        std::fprintf(stderr, "usage: bench_demoupload [--documents N] [--uploads N] [--runs N]\n");
        return 2;
    }

    std::string directory = (std::filesystem::temp_directory_path() / "torvex-bench-XXXXXX").string();
    if (!mkdtemp(&directory[0]))
        return 1;
    int status = 1;
    if (const std::optional<BenchDemoUploadFolders> folders = benchDemoUploadFill(directory, documents)) {
        DemoServerConfig config;
        config.dataDirectory = directory;
        config.httpPort = 0;
        DemoServer server(config);
        std::string error;
        if (server.start(&error)) {
            httplib::Client client("127.0.0.1", server.httpPort());
            const httplib::Result logon = client.Get("/rest/Logon?u=demo&p=demo");
            const std::string cookie = logon ? logon->get_header_value("Set-Cookie") : std::string();
            const httplib::Headers headers { { "Cookie", cookie.substr(0, cookie.find(';')) } };
            // Turn about, so that both folders see the same moments of a busy machine; the best run counts.
            double full = -1;
            double empty = -1;
            for (int run = 0; run < runs; ++run) {
                const std::string prefix = "run" + std::to_string(run);
                const double fullRun = benchDemoUploadTime(client, headers, folders->full, uploads, prefix);
                const double emptyRun = benchDemoUploadTime(client, headers, folders->empty, uploads, prefix);
                if (fullRun < 0 || emptyRun < 0) {
                    full = empty = -1;
                    break;
                }
                full = full < 0 ? fullRun : std::min(full, fullRun);
                empty = empty < 0 ? emptyRun : std::min(empty, emptyRun);
            }
            if (full >= 0) {
                std::printf("case=upload-into-%d documents=%d uploads=%d ms_per_upload=%.2f "
                            "empty_ms_per_upload=%.2f ratio=%.2f\n",
                    documents, documents, uploads, full, empty, full / empty);
                status = 0;
            } else {
                std::fprintf(stderr, "an upload failed\n");
            }
            server.stop();
        } else {
            std::fprintf(stderr, "the server does not start: %s\n", error.c_str());
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return status;
}
