#pragma once

#include "transfer/downloaditem.h"
#include "transfer/transferdialog.h"

#include <QList>
#include <QMessageBox>

#include <functional>

class DownloadModel;
class DownloadThread;
class Rest;

// Shows a prepared download, runs it on a DownloadThread, shows each item's outcome and the progress,
// cancels it, and asks the user before the worker overwrites a file. Its Start button names the phase:
// "Start", then "Busy" while the worker runs, then "Close".
class DownloadDialog final : public TransferDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadDialog)

public:
    DownloadDialog(const QList<DownloadItem>& items, int folderCount, int fileCount, Rest* rest,
        const QString& targetDir, QWidget* parent = nullptr);
    ~DownloadDialog() override;

    // Tests answer the overwrite question through this instead of a modal box: it returns Yes or No and
    // sets applyToAll. An empty function brings the box back.
    using OverwriteQuestion
        = std::function<QMessageBox::StandardButton(const QString& filePath, bool& applyToAll)>;
    static void setOverwriteQuestion(OverwriteQuestion question);
    // Tests drive the dialog through this instead of a modal event loop; exec() returns what it returns.
    using Runner = std::function<int(DownloadDialog& dialog)>;
    static void setRunner(Runner runner);

    int exec() override;

    DownloadModel* model() const { return m_model; }
    DownloadThread* worker() const { return m_worker; }
    // How many documents move at once; 1 unless set.
    void setParallelTransfers(int count);
    // The document rows whose local file exists already, as found when the dialog opened.
    QList<int> existingRows() const { return m_existingRows; }

public slots:
    void cancelBtnClicked();
    void okBtnClicked();
    void reject() override;
    void downloadThreadFinished();
    void increaseProgressBar();
    void documentAlreadyExists(QString filePath);

protected:
    ModelItemStatus rowStatus(int row) const override;
    bool isUpload() const override { return false; }
    TransferCsv::Row reportRow(int row) const override;

private:
    void showWhatExists();

    QList<DownloadItem> m_items;
    int m_folderCount;
    int m_fileCount;
    Rest* m_rest;
    QString m_targetDir;
    DownloadModel* m_model;
    DownloadThread* m_worker;
    QList<int> m_existingRows;
};
