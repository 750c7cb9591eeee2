#include "app/treecommands.h"

#include "local/localtreemodel.h"
#include "local/localtreemodelproxy.h"
#include "local/localtreeview.h"
#include "remote/kelmartreemodel.h"
#include "remote/kelmartreeview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyle>

#include <memory>

namespace {
const QString treeCommandsRemoteFormat = QStringLiteral("application/vnd.text.list");
} // namespace

TreeCommands::TreeCommands(LocalTreeView* localView, LocalTreeModelProxy* localProxy,
    LocalTreeModel* localModel, KelmarTreeView* remoteView, QWidget* window)
    : QObject(window)
    , m_localView(localView)
    , m_localProxy(localProxy)
    , m_localModel(localModel)
    , m_remoteView(remoteView)
    , m_upload(new QAction(window->style()->standardIcon(QStyle::SP_ArrowRight), QString(), window))
    , m_download(new QAction(window->style()->standardIcon(QStyle::SP_ArrowLeft), QString(), window))
    , m_copy(new QAction(tr("&Copy"), window))
    , m_paste(new QAction(tr("&Paste"), window))
    , m_reload(new QAction(window->style()->standardIcon(QStyle::SP_BrowserReload), tr("&Reload"), window))
    , m_localMenu(new QMenu(localView))
    , m_remoteMenu(new QMenu(remoteView))
    , m_activeView(localView)
{
    const std::pair<QAction*, const char*> names[]
        = { { m_upload, "uploadAction" }, { m_download, "downloadAction" }, { m_copy, "copyAction" },
              { m_paste, "pasteAction" }, { m_reload, "reloadAction" } };
    for (const auto& [action, name] : names) {
        action->setObjectName(QLatin1String(name));
        window->addAction(action);
    }
    m_upload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    m_download->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_copy->setShortcuts(QKeySequence::Copy);
    m_paste->setShortcuts(QKeySequence::Paste);
    m_reload->setShortcut(QKeySequence(Qt::Key_F5));
    connect(m_upload, &QAction::triggered, this, &TreeCommands::upload);
    connect(m_download, &QAction::triggered, this, &TreeCommands::download);
    connect(m_copy, &QAction::triggered, this, &TreeCommands::copy);
    connect(m_paste, &QAction::triggered, this, &TreeCommands::paste);
    connect(m_reload, &QAction::triggered, this, &TreeCommands::reload);

    buildMenu(m_localView, m_localMenu, m_upload);
    buildMenu(m_remoteView, m_remoteMenu, m_download);
    m_localMenu->setObjectName(QStringLiteral("localMenu"));
    m_remoteMenu->setObjectName(QStringLiteral("remoteMenu"));
    watchSelection(m_localView);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TreeCommands::clipboardChanged);
    clipboardChanged();
    updateActions();
}

// A tree's own menu: its transfer command, Copy and Paste, Reload.
void TreeCommands::buildMenu(QTreeView* view, QMenu* menu, QAction* transfer)
{
    menu->setToolTipsVisible(true);
    menu->addAction(transfer);
    menu->addSeparator();
    menu->addActions({ m_copy, m_paste });
    menu->addSeparator();
    menu->addAction(m_reload);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
        [this, view](const QPoint& position) { showMenu(view, position); });
    view->installEventFilter(this);
}

void TreeCommands::setRemoteModel(KelmarTreeModel* model)
{
    m_remoteModel = model;
    if (model)
        watchSelection(m_remoteView);
    updateActions();
}

void TreeCommands::setBusy(bool busy)
{
    m_busy = busy;
    updateActions();
}

void TreeCommands::watchSelection(QTreeView* view)
{
    QItemSelectionModel* selection = view->selectionModel();
    if (!selection)
        return;
    connect(selection, &QItemSelectionModel::selectionChanged, this, &TreeCommands::updateActions);
    connect(selection, &QItemSelectionModel::currentChanged, this, &TreeCommands::updateActions);
}

void TreeCommands::focusChanged(QWidget* now)
{
    for (QTreeView* view : { static_cast<QTreeView*>(m_localView), static_cast<QTreeView*>(m_remoteView) }) {
        if (now && (now == view || view->isAncestorOf(now)) && view != m_activeView) {
            m_activeView = view;
            updateActions();
        }
    }
}

bool TreeCommands::localIsActive() const
{
    return m_activeView == m_localView;
}

QModelIndex TreeCommands::remoteTarget() const
{
    return m_remoteModel ? m_remoteModel->dropTarget(m_remoteView->currentIndex()) : QModelIndex();
}

QModelIndex TreeCommands::localTarget() const
{
    return m_localView->currentIndex().siblingAtColumn(0);
}

QString TreeCommands::localTargetPath() const
{
    const QModelIndex row = m_localProxy->mapToSource(localTarget());
    if (!row.isValid())
        return QString();
    return QDir::toNativeSeparators(
        m_localModel->isDir(row) ? m_localModel->filePath(row) : m_localModel->filePath(row.parent()));
}

namespace {
QModelIndexList treeCommandsDraggable(const QTreeView* view)
{
    QModelIndexList rows;
    if (!view->selectionModel())
        return rows;
    for (const QModelIndex& row : view->selectionModel()->selectedRows(0)) {
        if (view->model()->flags(row).testFlag(Qt::ItemIsDragEnabled))
            rows.append(row);
    }
    return rows;
}
} // namespace

QModelIndexList TreeCommands::localSelection() const
{
    return treeCommandsDraggable(m_localView);
}

QModelIndexList TreeCommands::remoteSelection() const
{
    return m_remoteModel ? treeCommandsDraggable(m_remoteView) : QModelIndexList();
}

// The view's own drop on a row goes the same way: the model is asked whether it takes the data, then
// given it with the row as the parent and no position.
bool TreeCommands::dropOnRemote(const QMimeData* data)
{
    const QModelIndex target = remoteTarget();
    if (m_busy || !data || !target.isValid()
        || !m_remoteModel->canDropMimeData(data, Qt::CopyAction, -1, -1, target))
        return false;
    return m_remoteModel->dropMimeData(data, Qt::CopyAction, -1, -1, target);
}

bool TreeCommands::dropOnLocal(const QMimeData* data)
{
    const QModelIndex target = localTarget();
    if (m_busy || !data || !target.isValid()
        || !m_localProxy->canDropMimeData(data, Qt::CopyAction, -1, -1, target))
        return false;
    return m_localProxy->dropMimeData(data, Qt::CopyAction, -1, -1, target);
}

void TreeCommands::upload()
{
    const QModelIndexList rows = localSelection();
    if (rows.isEmpty())
        return;
    const std::unique_ptr<QMimeData> data(m_localProxy->mimeData(rows));
    dropOnRemote(data.get());
}

void TreeCommands::download()
{
    const QModelIndexList rows = remoteSelection();
    if (rows.isEmpty())
        return;
    const std::unique_ptr<QMimeData> data(m_remoteModel->mimeData(rows));
    dropOnLocal(data.get());
}

void TreeCommands::copy()
{
    const QModelIndexList rows = localIsActive() ? localSelection() : remoteSelection();
    if (rows.isEmpty())
        return;
    QMimeData* data = localIsActive() ? m_localProxy->mimeData(rows) : m_remoteModel->mimeData(rows);
    QGuiApplication::clipboard()->setMimeData(data);
}

void TreeCommands::paste()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (localIsActive())
        dropOnLocal(data);
    else
        dropOnRemote(data);
}

void TreeCommands::reload()
{
    if (localIsActive()) {
        const QModelIndex row = m_localProxy->mapToSource(m_localView->currentIndex());
        if (row.isValid())
            m_localModel->reload(row);
    } else if (const QModelIndex target = remoteTarget(); target.isValid()) {
        m_remoteModel->expand(target);
    }
}

bool TreeCommands::eventFilter(QObject* watched, QEvent* event)
{
    auto* view = qobject_cast<QTreeView*>(watched);
    if (!view || event->type() != QEvent::KeyPress || !view->model())
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QModelIndex current = view->currentIndex().siblingAtColumn(0);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && current.isValid()
        && view->model()->hasChildren(current)) {
        view->setExpanded(current, !view->isExpanded(current));
        return true;
    }
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
        const QRect row = view->visualRect(current);
        showMenu(view, row.isValid() ? row.center() : QPoint(0, 0));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TreeCommands::showMenu(QTreeView* view, const QPoint& position)
{
    if (m_activeView != view) {
        m_activeView = view;
        updateActions();
    }
    QMenu* menu = view == m_localView ? m_localMenu : m_remoteMenu;
    menu->popup(view->viewport()->mapToGlobal(position));
}

// The clipboard is asked what it holds only when that changes: on the desktop, another program's
// clipboard answers through the display server.
void TreeCommands::clipboardChanged()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    m_copiedFiles = data && data->hasUrls();
    m_copiedItems = data && data->hasFormat(treeCommandsRemoteFormat);
    updateCopyPaste();
}

void TreeCommands::updateActions()
{
    updateUpload();
    updateDownload();
    updateCopyPaste();
    const bool localActive = localIsActive();
    const bool reloadable = localActive ? localTarget().isValid() : remoteTarget().isValid();
    setState(m_reload, reloadable,
        reloadable ? (localActive ? tr("Read the current folder of the local tree again")
                                  : tr("Read the current folder of the Torvex tree again"))
                   : tr("Choose a row of the tree to read again"));
}

void TreeCommands::updateUpload()
{
    const QModelIndex target = remoteTarget();
    const QString path = target.isValid() ? m_remoteModel->targetPath(target) : QString();
    m_upload->setText(
        target.isValid() ? tr("&Upload to %1").arg(shortName(target.data().toString())) : tr("&Upload"));
    if (!target.isValid())
        setState(m_upload, false, tr("Choose a project or folder in the Torvex tree to upload to"));
    else if (localSelection().isEmpty())
        setState(m_upload, false, tr("Select files or folders in the local tree to upload to %1").arg(path));
    else if (m_busy)
        setState(m_upload, false, busyTip());
    else
        setState(m_upload, true, tr("Upload the selected local files and folders to %1").arg(path));
}

void TreeCommands::updateDownload()
{
    const QString path = localTargetPath();
    const QString name = QFileInfo(path).fileName();
    m_download->setText(path.isEmpty() ? tr("&Download")
                                       : tr("&Download to %1").arg(shortName(name.isEmpty() ? path : name)));
    if (path.isEmpty())
        setState(m_download, false, tr("Choose a folder in the local tree to download to"));
    else if (remoteSelection().isEmpty())
        setState(m_download, false,
            tr("Select projects, folders or documents in the Torvex tree to download to %1").arg(path));
    else if (m_busy)
        setState(m_download, false, busyTip());
    else
        setState(m_download, true, tr("Download the selected Torvex items to %1").arg(path));
}

void TreeCommands::updateCopyPaste()
{
    const bool localActive = localIsActive();
    const bool selected = !(localActive ? localSelection() : remoteSelection()).isEmpty();
    setState(m_copy, selected,
        !selected         ? tr("Select the rows to copy first")
            : localActive ? tr("Copy the selected local files and folders; paste them in the Torvex "
                               "tree to upload them")
                          : tr("Copy the selected Torvex items; paste them in the local tree to "
                               "download them"));

    const bool copied = localActive ? m_copiedItems : m_copiedFiles;
    const QString target = localActive ? localTargetPath()
        : remoteTarget().isValid()     ? m_remoteModel->targetPath(remoteTarget())
                                       : QString();
    if (!copied) {
        setState(m_paste, false,
            localActive ? tr("Copy items in the Torvex tree first, then paste them here to download them")
                        : tr("Copy files in the local tree first, then paste them here to upload them"));
    } else if (target.isEmpty()) {
        setState(m_paste, false,
            localActive ? tr("Choose a folder in the local tree to download to")
                        : tr("Choose a project or folder in the Torvex tree to upload to"));
    } else if (m_busy) {
        setState(m_paste, false, busyTip());
    } else {
        setState(m_paste, true,
            (localActive ? tr("Download the copied Torvex items to %1") : tr("Upload the copied files to %1"))
                .arg(target));
    }
}

QString TreeCommands::busyTip()
{
    return tr("Wait until the transfer that runs is over");
}

void TreeCommands::setState(QAction* action, bool enabled, const QString& tip)
{
    action->setEnabled(enabled);
    action->setToolTip(tip);
    action->setStatusTip(tip);
}

// A name as a menu entry shows it: "&" is no mnemonic, and a long name is cut in the middle.
QString TreeCommands::shortName(const QString& name)
{
    constexpr qsizetype longest = 40;
    QString shown = name.size() <= longest
        ? name
        : name.left(longest / 2 - 1) + QChar(0x2026) + name.right(longest / 2 - 1);
    return shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
