#include "demodownloadhandler.h"

#include "demofilereader.h"
#include "demohttp.h"
#include "demosessions.h"
#include "demostore.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {
// The file name for the browser's save dialog, in the encoding that carries any UTF-8 text.
std::string demoDownloadDisposition(const std::string& name)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || std::string("!#$&+-.^_`|~").find(static_cast<char>(c)) != std::string::npos;
        if (plain) {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(digits[c >> 4]);
            encoded.push_back(digits[c & 15]);
        }
    }
    return "attachment; filename*=UTF-8''" + encoded;
}
} // namespace

DemoDownloadHandler::DemoDownloadHandler(
    DemoStore& store, DemoSessions& sessions, const std::atomic<bool>& halting)
    : m_store(store)
    , m_sessions(sessions)
    , m_halting(halting)
{ }

void DemoDownloadHandler::install(httplib::Server& server)
{
    server.Get(
        "/protected/Document.download", [this](const httplib::Request& request, httplib::Response& response) {
            const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
            int folderId = 0;
            int documentId = 0;
            if (!user || !DemoHttp::queryInt(request, response, "f", &folderId)
                || !DemoHttp::queryInt(request, response, "r", &documentId))
                return;
            const std::optional<DemoDocument> document = m_store.document(documentId);
            const std::optional<DemoFolder> folder = m_store.folder(folderId);
            if (!document || !folder || document->folderId != folderId) {
                DemoHttp::text(response, 404,
                    "There is no document with ID " + std::to_string(documentId) + " in a folder with ID "
                        + std::to_string(folderId) + ".");
                return;
            }
            if (!DemoHttp::requireMember(m_store, folder->projectId, *user, response))
                return;
            if (!m_store.access(folderId, *user).has(DemoAccess::CanDownload)) {
                DemoHttp::text(response, 403, "You're not allowed to download documents of this folder.");
                return;
            }
            const int file = ::open(m_store.revisionPath(document->revisionId).c_str(), O_RDONLY | O_CLOEXEC);
            struct stat info;
            if (file < 0 || fstat(file, &info) != 0) {
                if (file >= 0)
                    ::close(file);
                DemoHttp::text(response, 500, "The contents of this document are missing on the server.");
                return;
            }
            auto reader = std::make_shared<DemoFileReader>(file, static_cast<std::uint64_t>(info.st_size));
            if (!reader->isValid()) {
                DemoHttp::text(response, 500, "The server cannot send documents.");
                return;
            }
            // The status stays for httplib to choose: 200, or 206 for a range request.
            response.set_header("Content-Disposition", demoDownloadDisposition(document->name));
            response.set_content_provider(static_cast<std::size_t>(info.st_size), "application/octet-stream",
                [this, reader](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    if (m_halting)
                        return false;
                    const std::pair<const char*, std::size_t> piece = reader->read(offset);
                    return piece.second > 0 && sink.write(piece.first, std::min(length, piece.second));
                });
        });
}
