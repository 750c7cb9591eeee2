#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPixmap>

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
class QTreeView;
class Rest;

// The program's window: the local file system on the left, the server's projects on the right. It owns
// the logged-on session, keeps it alive, reports a project list that cannot be shown, and offers
// logout, exit, online help and the about box.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Takes ownership of rest.
    explicit MainWindow(Rest* rest, QWidget* parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // The current session; null after a logout that ended without a new logon.
    Rest* rest() const;

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

private:
    void buildForm();
    void openHomeDirectory();
    void keepHomeAtTop();
    void buildMenus();
    void logout();
    static int setColumnWidths(QTreeView* view);
    void fitWidth(int localWidth, int remoteWidth);

    QSplitter* m_splitter = nullptr;
    QWidget* m_bannerFrame = nullptr;
    LocalTreeView* m_localView = nullptr;
    LocalTreeModel* m_localModel = nullptr;
    LocalTreeModelProxy* m_localProxy = nullptr;
    KelmarTreeView* m_remoteView = nullptr;
    KelmarTreeModel* m_remoteModel = nullptr;
    std::unique_ptr<Rest> m_rest;
    std::unique_ptr<QTimer> m_logonTimer;
    std::unique_ptr<QTimer> m_projectsTimer;
    QLabel* m_logoLabel = nullptr;
    QPixmap m_logoPixmap;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_logoutAction = nullptr;
    QAction* m_helpAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_exitAction = nullptr;
    QPersistentModelIndex m_home;
    bool m_homeAnchored = false;
};
