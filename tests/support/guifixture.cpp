#include "support/guifixture.h"

#include "app/logindialog.h"
#include "app/mainwindow.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>
#include <QTreeView>

TestBrowser::TestBrowser()
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
}

TestBrowser::~TestBrowser()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

int submitLogin(LoginDialog& dialog, const QString& login, const QString& password, Qt::CheckState remember)
{
    dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit"))->setText(login);
    dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(password);
    dialog.findChild<QCheckBox*>(QStringLiteral("rememberBox"))->setCheckState(remember);
    dialog.okBtnClicked();
    if (!QTest::qWaitFor([&dialog] { return !dialog.isBusy(); }, 20000))
        qWarning("the logon did not end");
    return dialog.result();
}

QStringList rowNames(const QAbstractItemModel* model, const QModelIndex& parent)
{
    QStringList names;
    for (int row = 0; row < model->rowCount(parent); ++row)
        names.append(model->index(row, 0, parent).data().toString());
    return names;
}

QModelIndex treeRow(const QTreeView* tree, const QString& name)
{
    const QModelIndexList found = tree->model()->match(
        tree->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

WindowFixture::WindowFixture()
    : home(dir.filePath(QStringLiteral("home/ann")))
    , m_realHome(qgetenv("HOME"))
{
    QStandardPaths::setTestModeEnabled(true);
    QDir().mkpath(home);
    qputenv("HOME", QFile::encodeName(home));
    service.setProjects("demo", FakeService::list(FakeService::project(1, "Alpha")));
}

WindowFixture::~WindowFixture()
{
    qputenv("HOME", m_realHome);
}

std::unique_ptr<MainWindow> WindowFixture::makeWindow() const
{
    return std::make_unique<MainWindow>(std::make_unique<SessionRunner>(
        std::make_unique<Rest>(service.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"))));
}
