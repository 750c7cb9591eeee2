#include "app/transfercontroller.h"

#include "remote/kelmartreemodel.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "rest/sessionrunner.h"
#include "rest/threadcopy.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadlistbuilder.h"
#include "transfer/downloadlistingdialog.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"
#include "widgets/errorbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

namespace {
// A walk that ends this soon shows no listing dialog at all.
constexpr int transferListingDelayMilliseconds = 300;
// The listing dialog is told about the walk's progress at most this often.
constexpr qint64 transferProgressMilliseconds = 100;

QString transferFailureText(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) { }
    return QStringLiteral("unknown failure");
}
} // namespace

struct TransferController::UploadPlan
{
    QList<RestStatus> statuses;
    QList<UploadItem> items;
    int folderCount = 0;
    int fileCount = 0;
};

struct TransferController::DownloadPlan
{
    QList<DownloadItem> items;
    int folderCount = 0;
    int fileCount = 0;
    QStringList failures;
    bool connectionLost = false;
};

TransferController::TransferController(QWidget* window)
    : QObject(window)
    , m_window(window)
{ }

TransferController::~TransferController()
{
    abandon();
}

void TransferController::setSession(SessionRunner* session)
{
    if (session == m_session)
        return;
    abandon();
    m_session = session;
}

void TransferController::setRemoteModel(KelmarTreeModel* model)
{
    m_remoteModel = model;
}

bool TransferController::isBusy() const
{
    return m_busy;
}

void TransferController::abandon()
{
    if (m_preparation)
        m_preparation->cancel();
    m_preparation.reset();
    setPreparing(false);
    closeListing();
    if (!m_abortTransfer)
        setBusy(false);
}

void TransferController::abortAll()
{
    m_aborted = true;
    abandon();
    if (m_abortTransfer)
        m_abortTransfer();
}

void TransferController::uploadRequested(const UploadRequest& request)
{
    if (m_busy || !m_session || !request.target)
        return;
    setBusy(true);
    setPreparing(true);
    const int projectId = request.projectId;
    QStringList paths;
    for (const QUrl& url : request.urls)
        paths.append(threadCopy(url.toLocalFile()));
    m_preparation = m_session->run(
        this,
        [projectId, paths](Rest& rest, const JobControl& control) {
            UploadPlan plan;
            plan.statuses = rest.getProjectStatusses(projectId);
            control.throwIfCanceled();
            // A project without document statuses still takes uploads; its items carry an empty status.
            UploadListBuilder builder(plan.statuses.value(0));
            for (const QString& path : paths)
                builder.gatherUploadItems(QFileInfo(path), -1);
            plan.items = builder.items();
            plan.folderCount = builder.folderCount();
            plan.fileCount = builder.fileCount();
            return plan;
        },
        [this, request](const UploadPlan& plan) {
            m_preparation.reset();
            setPreparing(false);
            runUpload(request, plan);
            setBusy(false);
        },
        [this](std::exception_ptr failure) {
            m_preparation.reset();
            setPreparing(false);
            setBusy(false);
            try {
                std::rethrow_exception(failure);
            } catch (const CurlConnectionException&) {
                DiagnosticLog::write(
                    QStringLiteral("Network connection error while retreiving the project statuses"));
                ErrorBox::show(tr("Unable to connect to server"));
            } catch (const RestException& e) {
                const QString code = QString::number(e.response.statusCode);
                DiagnosticLog::write(
                    QStringLiteral("Rest exception occured while retreiving the project statuses")
                    + QStringLiteral(". Response code: ") + code + QStringLiteral(", response: ")
                    + e.response.body);
                ErrorBox::show(
                    tr("An error occured while retreiving the project statuses. Response code: %1, "
                       "response: %2")
                        .arg(code, e.response.body));
            } catch (...) {
                DiagnosticLog::write(QStringLiteral("Preparing the upload failed: ")
                    + transferFailureText(std::current_exception()));
            }
        });
}

void TransferController::runUpload(const UploadRequest& request, const UploadPlan& plan)
{
    {
        UploadDialog dialog(request.target.get(), plan.items, plan.folderCount, plan.fileCount,
            request.targetPath, plan.statuses, m_session->rest());
        dialog.setMinimumSize(806, 400);
        dialog.setParallelTransfers(m_session->transfers());
        dialog.startPlan(m_session);
        m_abortTransfer = [&dialog] {
            dialog.cancelBtnClicked();
            dialog.done(QDialog::Rejected);
        };
        dialog.execModal();
        m_abortTransfer = nullptr;
    }
    // The target shows what was uploaded, unless it is gone by now or the program ends.
    if (!m_aborted && m_remoteModel && request.targetRow.isValid()
        && request.targetRow.model() == m_remoteModel)
        m_remoteModel->expand(request.targetRow);
}

void TransferController::downloadRequested(const QStringList& entries, const QString& targetDir)
{
    if (m_busy || !m_session)
        return;
    setBusy(true);
    setPreparing(true);
    auto* listing = new DownloadListingDialog(m_window);
    m_listing = listing;
    connect(listing, &QDialog::rejected, this, &TransferController::listingCanceled);
    QTimer::singleShot(transferListingDelayMilliseconds, listing, &QWidget::show);

    m_preparation = m_session->run(
        this,
        [this, entries = threadCopy(entries), targetDir = threadCopy(targetDir)](
            Rest& rest, const JobControl& control) {
            DownloadListBuilder builder(rest, control.token());
            QElapsedTimer sinceProgress;
            builder.setProgress(
                [this, &control, &sinceProgress](const QString& path, int folders, int files) {
                    if (sinceProgress.isValid() && sinceProgress.elapsed() < transferProgressMilliseconds)
                        return;
                    sinceProgress.start();
                    control.post([this, path, folders, files] {
                        if (m_listing)
                            m_listing->showProgress(path, folders, files);
                    });
                });
            for (const QString& entry : entries)
                builder.addEntry(entry, targetDir);
            DownloadPlan plan;
            plan.items = builder.items();
            plan.folderCount = builder.folderCount();
            plan.fileCount = builder.fileCount();
            plan.failures = builder.failures();
            plan.connectionLost = builder.connectionLost();
            return plan;
        },
        [this, targetDir](const DownloadPlan& plan) {
            m_preparation.reset();
            setPreparing(false);
            closeListing();
            for (const QString& failure : plan.failures)
                ErrorBox::show(failure);
            // Without the server the list is incomplete, and the download would fail item by item.
            if (!plan.connectionLost)
                runDownload(targetDir, plan);
            setBusy(false);
        },
        [this](std::exception_ptr failure) {
            m_preparation.reset();
            setPreparing(false);
            closeListing();
            setBusy(false);
            DiagnosticLog::write(
                QStringLiteral("Listing the download failed: ") + transferFailureText(failure));
        });
}

void TransferController::runDownload(const QString& targetDir, const DownloadPlan& plan)
{
    DownloadDialog dialog(
        plan.items, plan.folderCount, plan.fileCount, m_session->rest(), targetDir, nullptr);
    dialog.setMinimumSize(806, 400);
    dialog.setParallelTransfers(m_session->transfers());
    m_abortTransfer = [&dialog] {
        dialog.cancelBtnClicked();
        dialog.done(QDialog::Rejected);
    };
    dialog.exec();
    m_abortTransfer = nullptr;
}

void TransferController::listingCanceled()
{
    DiagnosticLog::write(QStringLiteral("Listing the download canceled by user"));
    abandon();
}

void TransferController::closeListing()
{
    if (!m_listing)
        return;
    DownloadListingDialog* listing = m_listing;
    m_listing = nullptr;
    disconnect(listing, nullptr, this, nullptr);
    listing->close();
    listing->deleteLater();
}

void TransferController::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

// While a transfer is prepared in the background the program stays usable; the cursor says it works.
void TransferController::setPreparing(bool preparing)
{
    if (preparing == m_preparing)
        return;
    m_preparing = preparing;
    if (preparing)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}
