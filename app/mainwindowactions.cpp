#include "app/mainwindow.h"
#include "app/treecommands.h"
#include "local/localtreeview.h"
#include "remote/kelmartreeview.h"
#include "rest/sessionrunner.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QUrl>

// The window's title, menus and tool bar, and what accessibility tools read of its parts.

// "Torvex Transfer — ann on secure.torvex.example" while logged on, the program's name alone meanwhile.
void MainWindow::updateTitle()
{
    if (!m_session) {
        setWindowTitle(tr("Torvex Transfer"));
        return;
    }
    const QString address = m_session->serverAddress();
    const QString server = QUrl(address).authority();
    setWindowTitle(
        tr("Torvex Transfer — %1 on %2").arg(m_session->login(), server.isEmpty() ? address : server));
}

void MainWindow::buildMenus()
{
    m_logoutAction = new QAction(tr("&Logout"), this);
    m_logoutAction->setObjectName(QStringLiteral("logoutAction"));
    m_exitAction = new QAction(tr("&Exit"), this);
    m_exitAction->setObjectName(QStringLiteral("exitAction"));
    m_helpAction = new QAction(tr("&Online Help"), this);
    m_helpAction->setObjectName(QStringLiteral("helpAction"));
    m_aboutAction = new QAction(tr("&About"), this);
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));
    connect(m_logoutAction, &QAction::triggered, this, &MainWindow::logoutTriggered);
    connect(m_exitAction, &QAction::triggered, this, &MainWindow::exitTriggered);
    connect(m_helpAction, &QAction::triggered, this, &MainWindow::helpTriggered);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::aboutTriggered);

    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->addAction(m_logoutAction);
    m_fileMenu->addAction(m_exitAction);
    m_editMenu = menuBar()->addMenu(tr("&Edit"));
    m_editMenu->addActions({ m_commands->copyAction(), m_commands->pasteAction() });
    m_transferMenu = menuBar()->addMenu(tr("&Transfer"));
    m_transferMenu->addActions({ m_commands->uploadAction(), m_commands->downloadAction() });
    m_transferMenu->addSeparator();
    m_transferMenu->addAction(m_commands->reloadAction());
    // A disabled command says why in its tool tip.
    for (QMenu* menu : { m_editMenu, m_transferMenu })
        menu->setToolTipsVisible(true);
    m_helpMenu = menuBar()->addMenu(tr("&Help"));
    m_helpMenu->addAction(m_helpAction);
    m_helpMenu->addAction(m_aboutAction);
}

void MainWindow::buildToolBar()
{
    m_toolBar = addToolBar(tr("Transfer"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->addActions(
        { m_commands->uploadAction(), m_commands->downloadAction(), m_commands->reloadAction() });
    // The tool bar's buttons take no focus of their own; here Tab reaches them after the two trees.
    QWidget* previous = m_remoteView;
    QWidget::setTabOrder(m_localView, m_remoteView);
    for (QAction* action : m_toolBar->actions()) {
        QWidget* button = m_toolBar->widgetForAction(action);
        button->setObjectName(action->objectName().replace(QLatin1String("Action"), QLatin1String("Button")));
        button->setFocusPolicy(Qt::TabFocus);
        QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

void MainWindow::describeForAccessibility()
{
    m_localView->setAccessibleName(tr("Local files"));
    m_localView->setAccessibleDescription(
        tr("The folders and files of this computer. Ctrl+U uploads the selection to the current project or "
           "folder of the Torvex tree; Enter opens or closes a folder; Shift+F10 opens the menu."));
    m_remoteView->setAccessibleName(tr("Torvex projects"));
    m_remoteView->setAccessibleDescription(tr(
        "Your projects, folders and documents on the server. Ctrl+D downloads the selection to the current "
        "folder of the local tree; Enter opens or closes a row; Shift+F10 opens the menu."));
    m_logoLabel->setAccessibleName(tr("Torvex Transfer"));
    m_logoLabel->setAccessibleDescription(tr("Drag and drop files between your computer and your projects"));
    m_toolBar->setAccessibleName(tr("Transfer"));
}
