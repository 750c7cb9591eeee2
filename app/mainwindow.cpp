#include "app/mainwindow.h"

#include "app/aboutdialog.h"
#include "app/opensession.h"
#include "app/transfercontroller.h"
#include "app/treecommands.h"
#include "local/localtreemodel.h"
#include "local/localtreemodelproxy.h"
#include "local/localtreeview.h"
#include "remote/kelmartreemodel.h"
#include "remote/kelmartreeview.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "rest/sessionrunner.h"
#include "widgets/errorbox.h"
#include "widgets/sizetext.h"
#include "widgets/wordmarklabel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPersistentModelIndex>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int mainWindowKeepAliveMilliseconds = 900000;

enum class MainWindowKeepAlive
{
    Done,
    Skipped,
};
} // namespace

MainWindow::MainWindow(std::unique_ptr<SessionRunner> session, QWidget* parent)
    : QMainWindow(parent)
    , m_transfers(new TransferController(this))
    , m_session(std::move(session))
    , m_logonTimer(std::make_unique<QTimer>())
    , m_projectsTimer(std::make_unique<QTimer>())
{
    m_logonTimer->setInterval(mainWindowKeepAliveMilliseconds);
    connect(m_logonTimer.get(), &QTimer::timeout, this, &MainWindow::timerRestLogon);
    m_logonTimer->start();
    // Fires once the event loop runs, that is after the window is shown.
    m_projectsTimer->setInterval(0);
    connect(m_projectsTimer.get(), &QTimer::timeout, this, &MainWindow::timerProjects);
    m_projectsTimer->start();

    m_localProxy = new LocalTreeModelProxy(this);
    m_localModel = new LocalTreeModel(this);
    m_localModel->setRootPath(QString());
    m_localView = new LocalTreeView;
    m_localView->setObjectName(QStringLiteral("localView"));
    m_transfers->setSession(m_session.get());
    connect(m_localModel, &LocalTreeModel::downloadRequested, m_transfers,
        &TransferController::downloadRequested);
    connect(m_transfers, &TransferController::busyChanged, this, [this](bool busy) {
        takeDrops(!busy);
        m_commands->setBusy(busy);
    });
    m_remoteView = new KelmarTreeView;
    m_remoteView->setObjectName(QStringLiteral("remoteView"));

    buildForm();
    m_localProxy->setSourceModel(m_localModel);
    openHomeDirectory();
    // By name, folders first: rows keep their places while the folders fill in.
    m_localView->sortByColumn(0, Qt::AscendingOrder);
    m_commands = new TreeCommands(m_localView, m_localProxy, m_localModel, m_remoteView, this);
    const int localWidth = setColumnWidths(m_localView);
    setRemoteModel(new KelmarTreeModel(m_session.get(), this));
    const int remoteWidth = setColumnWidths(m_remoteView);
    m_splitter->addWidget(m_localView);
    m_splitter->addWidget(m_remoteView);
    fitWidth(localWidth, remoteWidth);

    m_logoLabel = new WordmarkLabel(QStringLiteral(":/images/torvexMail.png"));
    m_logoLabel->setObjectName(QStringLiteral("logoLabel"));
    m_bannerFrame->layout()->addWidget(m_logoLabel);
    m_bannerFrame->layout()->setAlignment(m_logoLabel, Qt::AlignHCenter);

    updateTitle();
    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    buildMenus();
    buildToolBar();
    describeForAccessibility();
}

MainWindow::~MainWindow()
{
    m_projectsTimer.reset();
    m_logonTimer.reset();
    delete m_transfers;
    m_transfers = nullptr;
    // The models go before the session; the session logs off on its own thread.
    setRemoteModel(nullptr);
    m_session.reset();
}

SessionRunner* MainWindow::session() const
{
    return m_session.get();
}

TransferController* MainWindow::transfers() const
{
    return m_transfers;
}

TreeCommands* MainWindow::commands() const
{
    return m_commands;
}

void MainWindow::setRemoteModel(KelmarTreeModel* model)
{
    // The view's selection model goes with the model it belongs to.
    m_remoteView->setModel(model);
    delete m_remoteModel;
    m_remoteModel = model;
    if (m_commands)
        m_commands->setRemoteModel(model);
    if (!model)
        return;
    m_transfers->setRemoteModel(model);
    connect(model, &KelmarTreeModel::uploadRequested, m_transfers, &TransferController::uploadRequested);
    // The load error is checked once the window is shown and the project list has come.
    connect(
        model, &KelmarTreeModel::projectsLoaded, m_projectsTimer.get(), [this] { m_projectsTimer->start(); });
}

// While a transfer is prepared or runs, the trees still drag and scroll but take no drops.
void MainWindow::takeDrops(bool take)
{
    const QAbstractItemView::DragDropMode mode
        = take ? QAbstractItemView::DragDrop : QAbstractItemView::DragOnly;
    m_localView->setDragDropMode(mode);
    m_remoteView->setDragDropMode(mode);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_transfers->abandon();
    QMainWindow::closeEvent(event);
}

void MainWindow::buildForm()
{
    setObjectName(QStringLiteral("MainWindow"));
    resize(823, 684);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* mainLayout = new QVBoxLayout(central);
    mainLayout->setObjectName(QStringLiteral("verticalLayout_2"));
    mainLayout->setSpacing(5);
    mainLayout->setContentsMargins(5, 5, 5, 5);

    auto* bannerFrame = new QFrame(central);
    bannerFrame->setObjectName(QStringLiteral("frame_3"));
    bannerFrame->setFrameShape(QFrame::StyledPanel);
    bannerFrame->setFrameShadow(QFrame::Raised);
    auto* bannerLayout = new QHBoxLayout(bannerFrame);
    bannerLayout->setObjectName(QStringLiteral("horizontalLayout_2"));
    bannerLayout->setSpacing(0);
    bannerLayout->setContentsMargins(5, 5, 5, 5);
    m_bannerFrame = bannerFrame;

    auto* headingFrame = new QFrame(central);
    headingFrame->setObjectName(QStringLiteral("frame_4"));
    headingFrame->setFrameShape(QFrame::NoFrame);
    headingFrame->setFrameShadow(QFrame::Raised);
    headingFrame->setLineWidth(1);
    auto* headingLayout = new QHBoxLayout(headingFrame);
    headingLayout->setObjectName(QStringLiteral("horizontalLayout_3"));
    headingLayout->setSpacing(0);
    headingLayout->setContentsMargins(0, 0, 0, 0);
    QFont headingFont;
    headingFont.setPointSize(10);
    headingFont.setBold(true);
    const QList<std::pair<const char*, QString>> headings {
        { "label", tr("Local Filesystem") },
        { "label_2", tr("Torvex") },
    };
    for (const auto& [name, text] : headings) {
        auto* heading = new QLabel(text, headingFrame);
        heading->setObjectName(QLatin1String(name));
        heading->setFont(headingFont);
        heading->setFrameShape(QFrame::NoFrame);
        heading->setAlignment(Qt::AlignCenter);
        headingLayout->addWidget(heading);
    }

    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_splitter->setMinimumSize(0, 0);
    m_splitter->setFrameShape(QFrame::NoFrame);
    m_splitter->setChildrenCollapsible(false);

    mainLayout->addWidget(bannerFrame);
    mainLayout->addWidget(headingFrame);
    mainLayout->addWidget(m_splitter);
    setCentralWidget(central);
    menuBar()->setObjectName(QStringLiteral("menuBar"));
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("statusBar"));
    setStatusBar(bar);
}

// Opens the local tree down to the user's home folder, one folder of its path after the other.
void MainWindow::openHomeDirectory()
{
    const QStringList parts = QDir::homePath().split(QLatin1Char('/'));
    QList<QPersistentModelIndex> path;
    for (qsizetype k = 1; k <= parts.size(); ++k) {
        QString prefix = parts.mid(0, k).join(QLatin1Char('/'));
        // On Unix the path begins at the root folder, which the split leaves as an empty first part.
        if (prefix.isEmpty())
            prefix = QStringLiteral("/");
        path.append(m_localProxy->mapFromSource(m_localModel->index(prefix)));
    }
    m_localView->setModel(m_localProxy);
    for (const QPersistentModelIndex& index : path)
        m_localView->expand(index);

    // The folders fill and sort themselves in the background and push the home folder out of sight as
    // they do; it is kept at the top until the user does something with the tree.
    m_home = path.last();
    m_homeAnchored = true;
    connect(m_localModel, &QFileSystemModel::directoryLoaded, this, &MainWindow::keepHomeAtTop);
    connect(m_localProxy, &QAbstractItemModel::rowsInserted, this, &MainWindow::keepHomeAtTop);
    connect(m_localProxy, &QAbstractItemModel::layoutChanged, this, &MainWindow::keepHomeAtTop);
    for (QObject* part : { static_cast<QObject*>(m_localView), static_cast<QObject*>(m_localView->viewport()),
             static_cast<QObject*>(m_localView->verticalScrollBar()) })
        part->installEventFilter(this);
    keepHomeAtTop();
}

void MainWindow::keepHomeAtTop()
{
    // Nothing moves under the pointer: once it rests on the tree, the tree stays where it is.
    if (m_homeAnchored && m_localView->underMouse())
        m_homeAnchored = false;
    if (m_homeAnchored && m_home.isValid())
        m_localView->scrollTo(m_home, QAbstractItemView::PositionAtTop);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::DragEnter:
        m_homeAnchored = false;
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// The name column is 250 pixels wide; the size and date columns as wide as their header and a long
// value need, so that nothing is cut. Returns the width the view needs to show all three.
int MainWindow::setColumnWidths(QTreeView* view)
{
    const QFontMetrics metrics(view->font());
    const int cellMargins = 4 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    const QString longSize = sizeText(Q_INT64_C(1073741823));
    const QString longDate
        = QLocale::system().toString(QDateTime(QDate(2024, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat);
    const int widths[] = {
        250,
        qMax(view->header()->sectionSizeHint(1), metrics.horizontalAdvance(longSize) + cellMargins),
        qMax(view->header()->sectionSizeHint(2), metrics.horizontalAdvance(longDate) + cellMargins),
    };
    // The last column stretches to the view's edge, so what it needs is counted, not what it has.
    int needed
        = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view) + 2 * view->frameWidth();
    for (int column = 0; column < 3; ++column) {
        view->setColumnWidth(column, widths[column]);
        needed += widths[column];
    }
    return needed;
}

// Widens the window, within the screen, so that both trees show their three columns.
void MainWindow::fitWidth(int localWidth, int remoteWidth)
{
    const QMargins margins = centralWidget()->layout()->contentsMargins();
    int wanted = localWidth + remoteWidth + m_splitter->handleWidth() + margins.left() + margins.right();
    if (const QScreen* screen = this->screen())
        wanted = qMin(wanted, screen->availableGeometry().width());
    if (wanted > width())
        resize(wanted, height());
    m_splitter->setSizes({ localWidth, remoteWidth });
}

void MainWindow::timerRestLogon()
{
    // A round that waits behind other work of the session is enough for both.
    if (!m_session || m_keepAliveRunning)
        return;
    m_keepAliveRunning = true;
    m_session->run(
        this,
        [](Rest& rest, const JobControl&) {
            try {
                // Never wait behind a transfer: a running request keeps the session alive anyway.
                return rest.logonIfIdle() ? MainWindowKeepAlive::Done : MainWindowKeepAlive::Skipped;
            } catch (const CurlConnectionException&) {
                // A transfer's Cancel stops whatever request runs, this one too; that lost nothing.
                if (rest.isCanceled())
                    return MainWindowKeepAlive::Skipped;
                throw;
            }
        },
        [this](MainWindowKeepAlive outcome) {
            m_keepAliveRunning = false;
            DiagnosticLog::write(outcome == MainWindowKeepAlive::Done
                    ? QStringLiteral("Rest logon() successful, connection kept alive.")
                    : QStringLiteral(
                        "Rest logon() skipped, a request is running; the transfer keeps the session alive."));
        },
        [this](std::exception_ptr failure) {
            m_keepAliveRunning = false;
            try {
                std::rethrow_exception(failure);
            } catch (const RestException&) {
                ErrorBox::show(tr("Unable to login to the server, check your login details and try again."));
            } catch (...) {
                ErrorBox::show(tr("Unable to connect to server."));
            }
            endProgram();
        });
}

void MainWindow::endProgram()
{
    m_logonTimer->stop();
    // A running transfer would refuse to close; it is canceled first.
    m_transfers->abortAll();
    QApplication::closeAllWindows();
}

void MainWindow::timerProjects()
{
    m_projectsTimer->stop();
    // Checked again once the list has come (projectsLoaded starts the timer).
    if (!m_remoteModel || m_remoteModel->isLoadingProjects())
        return;
    const QString error = m_remoteModel->loadError();
    if (error.isEmpty())
        return;
    ErrorBox::show(error);
    logout();
}

void MainWindow::aboutTriggered()
{
    AboutDialog dialog;
    dialog.exec();
}

void MainWindow::helpTriggered()
{
    const QString address = QLatin1String(onlineHelpAddress);
    if (!QDesktopServices::openUrl(QUrl(address))) {
        ErrorBox::show(
            tr("Unable to open the link in your internet browser, to view the online help go to %1")
                .arg(address));
    }
}

void MainWindow::logoutTriggered()
{
    logout();
}

void MainWindow::exitTriggered()
{
    QApplication::closeAllWindows();
}

void MainWindow::logout()
{
    m_logonTimer->stop();
    m_keepAliveRunning = false;
    // Nothing may reach the ended session: what is prepared for it is abandoned, the tree goes first.
    m_transfers->setSession(nullptr);
    setRemoteModel(nullptr);
    m_session.reset();
    updateTitle();

    std::unique_ptr<SessionRunner> session = openSession();
    if (!session) {
        QApplication::closeAllWindows();
        return;
    }
    m_session = std::move(session);
    m_transfers->setSession(m_session.get());
    updateTitle();
    setRemoteModel(new KelmarTreeModel(m_session.get(), this));
    m_remoteView->reset();
    setColumnWidths(m_remoteView);
    m_logonTimer->start();
    m_projectsTimer->start();
}
