#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>

#include <memory>

class KelmarTreeModel;
class KelmarTreeView;
class LocalTreeModel;
class LocalTreeModelProxy;
class LocalTreeView;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTimer;
class QToolBar;
class QTreeView;
class SessionRunner;
class TransferController;
class TreeCommands;

// The program's window: the local file system on the left, the server's projects on the right. It owns
// the logged-on session, keeps it alive, reports a project list that cannot be shown, and offers
// logout, exit, online help and the about box. Drops on the trees, and the commands that do the same
// from the keyboard (TreeCommands), go to its TransferController. The title names the user and server.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(std::unique_ptr<SessionRunner> session, QWidget* parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // The current session; null after a logout that ended without a new logon.
    SessionRunner* session() const;
    TransferController* transfers() const;
    TreeCommands* commands() const;

public Q_SLOTS:
    void timerRestLogon();
    void timerProjects();
    void aboutTriggered();
    void helpTriggered();
    void logoutTriggered();
    void exitTriggered();

protected:
    // Notices the user's first move in the local tree, after which the tree stays where the user puts it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Nothing prepared for a window that is gone opens afterwards.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildForm();
    void openHomeDirectory();
    void keepHomeAtTop();
    void buildMenus();
    void buildToolBar();
    void describeForAccessibility();
    void updateTitle();
    void logout();
    void setRemoteModel(KelmarTreeModel* model);
    void takeDrops(bool take);
    // A failed keep-alive: the transfers stop, their dialogs close and the program ends.
    void endProgram();
    static int setColumnWidths(QTreeView* view);
    void fitWidth(int localWidth, int remoteWidth);

    QSplitter* m_splitter = nullptr;
    QWidget* m_bannerFrame = nullptr;
    LocalTreeView* m_localView = nullptr;
    LocalTreeModel* m_localModel = nullptr;
    LocalTreeModelProxy* m_localProxy = nullptr;
    KelmarTreeView* m_remoteView = nullptr;
    KelmarTreeModel* m_remoteModel = nullptr;
    TransferController* m_transfers = nullptr;
    TreeCommands* m_commands = nullptr;
    std::unique_ptr<SessionRunner> m_session;
    bool m_keepAliveRunning = false;
    std::unique_ptr<QTimer> m_logonTimer;
    std::unique_ptr<QTimer> m_projectsTimer;
    QLabel* m_logoLabel = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_transferMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_logoutAction = nullptr;
    QAction* m_helpAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_exitAction = nullptr;
    QPersistentModelIndex m_home;
    bool m_homeAnchored = false;
};
