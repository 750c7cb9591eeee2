#pragma once

#include <QFile>

// The file a document is downloaded into: a temporary file beside the target, named after the document,
// which replaces the target (atomically, by renaming) only on commit(). Until then the target stays as it
// was, and an uncommitted file is removed, also when the object is destroyed, unless keep() leaves it for
// a later attempt to resume.
class DownloadFile final : public QFile
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadFile)

public:
    explicit DownloadFile(const QString& target);
    ~DownloadFile() override;

    // Opens the temporary file that the downloads of one document in one state (key: its ID, revision
    // and size) share between attempts, appending to what an earlier attempt left (size() tells how
    // much). Such files of the same target and document in another state are removed, as stale.
    bool openResumable(const QString& key);
    // Empties the file for a download from the start.
    bool restart();
    // Closes the file and leaves it in place for a later attempt.
    void keep();
    // Puts the written file in the target's place, with an existing target's permissions.
    bool commit();
    // Removes the temporary file.
    void discard();

private:
    QString m_target;
    bool m_created = false;
};
