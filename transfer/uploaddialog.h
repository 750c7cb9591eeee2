#pragma once

#include "model/reststatus.h"
#include "rest/canceltoken.h"
#include "transfer/transferdialog.h"
#include "transfer/uploaditem.h"
#include "transfer/uploadplanner.h"

#include <QList>

#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;
class Rest;
class RestObject;
class SessionRunner;
class UploadDelegate;
class UploadModel;
class UploadThread;

// Shows a prepared upload with what each item will become (read from the server in the background when
// startPlan() is called), lets the user give each file a description and a document status, one by one
// or for all selected rows at once, runs the upload on its worker and shows each item's outcome. Cancel and
// Escape stop a running upload and keep the dialog open; otherwise they close it.
class UploadDialog final : public TransferDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UploadDialog)

public:
    UploadDialog(RestObject* target, const QList<UploadItem>& items, int folderCount, int fileCount,
        const QString& targetPath, const QList<RestStatus>& statuses, Rest* rest, QWidget* parent = nullptr);
    ~UploadDialog() override;

    // Runs the dialog modally, or hands it to the hook when one is set (tests drive the dialog there).
    using ExecHook = std::function<void(UploadDialog& dialog)>;
    static void setExecHook(ExecHook hook);
    int execModal();
    // How many files move at once; 1 unless set.
    void setParallelTransfers(int count);
    // Reads on the session's thread what each row will become and shows it until Start; the worker
    // starts from the answers. Without it the rows say nothing before Start.
    void startPlan(SessionRunner* session);
    // The plan as shown, one text per row ("" until it is known).
    QList<QString> planTexts() const { return m_planTexts; }
    // Gives every selected file row the description and the status of the row above the table.
    void applyToSelected();

public Q_SLOTS:
    void cancelBtnClicked();
    void okBtnClicked();
    void reject() override;
    void uploadThreadFinished();
    void increaseProgressBar();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    ModelItemStatus rowStatus(int row) const override;
    bool isUpload() const override { return true; }
    TransferCsv::Row reportRow(int row) const override;

private:
    void buildPlanArea();
    void showPlan(const UploadPlanner::Result& result);
    void showTotals();
    void openRowEditors(int row);
    void closeRowEditors(int row);
    void syncEditors();

    RestObject* m_target;
    QList<UploadItem> m_items;
    int m_folderCount;
    int m_fileCount;
    QString m_targetPath;
    QList<RestStatus> m_statuses;
    Rest* m_rest;
    UploadModel* m_model = nullptr;
    UploadDelegate* m_delegate = nullptr;
    UploadThread* m_thread = nullptr;

    // The file rows whose editors are open: only those on screen (and a few around them), so that a
    // list of any length opens at once. -1 when none are open.
    int m_editorFirst = -1;
    int m_editorLast = -1;

    std::optional<CancelToken> m_planJob;
    QList<QString> m_planTexts;
    // Both come with the plan; -1 until then.
    qint64 m_totalBytes = -1;
    int m_refused = -1;
    QLineEdit* m_bulkDescription = nullptr;
    QComboBox* m_bulkStatus = nullptr;
    QPushButton* m_bulkApply = nullptr;
};
