#pragma once

#include "remote/uploadrequest.h"
#include "rest/canceltoken.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class DownloadListingDialog;
class KelmarTreeModel;
class QWidget;
class SessionRunner;

// Turns drops on the two trees into transfers, one at a time. For an upload it fetches the target
// project's document statuses and gathers the local files in the background, runs the upload dialog and
// reloads the target row; for a download it walks the server below the dropped rows in the background,
// with a listing dialog that can cancel the walk, reports what failed, and runs the download dialog.
// GUI thread only.
class TransferController final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferController)

public:
    // window: the parent of the listing dialog.
    explicit TransferController(QWidget* window);
    ~TransferController() override;

    // The session of later transfers, null while nobody is logged on; what is being prepared for the
    // session before is abandoned.
    void setSession(SessionRunner* session);
    // The remote tree whose rows are reloaded after an upload.
    void setRemoteModel(KelmarTreeModel* model);
    // Preparing or running a transfer: further drops are not taken meanwhile.
    bool isBusy() const;
    // Abandons what is being prepared and closes the listing dialog.
    void abandon();
    // Also cancels a running transfer and closes its dialog, for a program that is about to end.
    void abortAll();

public Q_SLOTS:
    void uploadRequested(const UploadRequest& request);
    void downloadRequested(const QStringList& entries, const QString& targetDir);

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    struct UploadPlan;
    struct DownloadPlan;

    void runUpload(const UploadRequest& request, const UploadPlan& plan);
    void runDownload(const QString& targetDir, const DownloadPlan& plan);
    void listingCanceled();
    void closeListing();
    void setBusy(bool busy);
    void setPreparing(bool preparing);

    QWidget* m_window;
    SessionRunner* m_session = nullptr;
    QPointer<KelmarTreeModel> m_remoteModel;
    std::optional<CancelToken> m_preparation;
    QPointer<DownloadListingDialog> m_listing;
    // Set while a transfer dialog runs: cancels its worker and closes it.
    std::function<void()> m_abortTransfer;
    bool m_busy = false;
    bool m_preparing = false;
    bool m_aborted = false;
};
