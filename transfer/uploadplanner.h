#pragma once

#include "model/restcontact.h"
#include "model/restdocument.h"
#include "model/restfolderaccess.h"
#include "transfer/uploaditem.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class Rest;
class RestObject;

// Foretells what an upload will do with each item, from the same answers the upload worker decides on:
// the user's contact record, and per remote folder its rights, its documents and its subfolders, each
// asked for once. The worker stays the authority; the plan only shows the user what to expect.
class UploadPlanner final
{
public:
    enum class Kind
    {
        Unknown, // the server could not be asked
        NewDocument,
        NewRevision,
        Refused,
        NewFolder,
        ExistingFolder,
    };

    struct Row
    {
        Kind kind = Kind::Unknown;
        // The refusal, or why the row could not be checked.
        QString reason;
        // For a new revision: the number it will get.
        int revision = 0;
    };

    // What the plan learned, by remote folder ID, for the worker to start from.
    struct Answers
    {
        QHash<int, RestFolderAccess> rights;
        QHash<int, QList<RestDocument>> documents;
    };

    struct Result
    {
        QList<Row> rows;
        Answers answers;
        qint64 bytes = 0; // the files' sizes together
    };

    // One item of the list as the planner needs it; taken on the GUI thread.
    struct Entry
    {
        QString path;
        QString name;
        int parentIndex = -1;
        bool isDir = false;
    };

    // target: the project or folder that received the drop; read here, on the GUI thread.
    explicit UploadPlanner(const RestObject* target);

    static QList<Entry> entries(const QList<UploadItem>& items);
    // Asks the server; any thread. checkCanceled runs between requests and may throw to stop.
    Result plan(Rest& rest, const QList<Entry>& entries, const std::function<void()>& checkCanceled) const;

    // The row as the upload dialog shows it: "New document", "New revision (revision 4)",
    // "Not allowed: ...", "New folder", "Existing folder".
    static QString text(const Row& row);

private:
    bool m_targetIsProject = false;
    int m_targetId = 0;
    int m_projectId = 0;
};
