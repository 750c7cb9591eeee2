#pragma once

#include "support/fakeservice.h"
#include "support/recorders.h"

#include <QModelIndex>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

class LoginDialog;
class MainWindow;
class QTreeView;
class QAbstractItemModel;

// Stands in for the desktop's browser while it lives: records the http and https links opened.
class TestBrowser final : public QObject
{
    Q_OBJECT

public:
    TestBrowser();
    ~TestBrowser() override;
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// Types these into the login dialog and presses Ok as a user does; the dialog logs on in the
// background. Returns the dialog's result once the logon has ended.
int submitLogin(LoginDialog& dialog, const QString& login, const QString& password, Qt::CheckState remember);

// The names in the first column of the parent's rows.
QStringList rowNames(const QAbstractItemModel* model, const QModelIndex& parent = QModelIndex());

// The first row of the tree's model with this name, at any depth.
QModelIndex treeRow(const QTreeView* tree, const QString& name);

// What a test of the main window starts from: a home folder of its own, the fake service with the user
// "demo", and the recorder of the error boxes.
class WindowFixture final
{
public:
    WindowFixture();
    ~WindowFixture();
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    std::unique_ptr<MainWindow> makeWindow() const;

    QTemporaryDir dir;
    QString home;
    FakeService service;
    BoxRecorder boxes;

private:
    QByteArray m_realHome;
};
