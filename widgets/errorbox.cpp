#include "widgets/errorbox.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMessageBox>
#include <QSet>

namespace {
ErrorBox::Handler& errorBoxHandler()
{
    static ErrorBox::Handler handler;
    return handler;
}
} // namespace

void ErrorBox::show(const QString& text)
{
    if (errorBoxHandler()) {
        errorBoxHandler()(text);
        return;
    }
    // Answers of background work keep arriving while a box waits for the user; the same failure again
    // would only stack the same box on top.
    static QSet<QString> open;
    if (open.contains(text))
        return;
    open.insert(text);
    QMessageBox box(
        QMessageBox::Warning, QCoreApplication::translate("ErrorBox", "Error"), text, QMessageBox::Ok);
    box.setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    box.exec();
    open.remove(text);
}

void ErrorBox::setHandler(Handler handler)
{
    errorBoxHandler() = std::move(handler);
}
