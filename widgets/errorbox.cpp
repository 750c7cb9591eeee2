#include "widgets/errorbox.h"

#include <QIcon>
#include <QMessageBox>

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
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), text, QMessageBox::Ok);
    box.setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    box.exec();
}

void ErrorBox::setHandler(Handler handler)
{
    errorBoxHandler() = std::move(handler);
}
