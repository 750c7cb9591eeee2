#include "app/mainwindow.h"
#include "app/opensession.h"
#include "rest/rest.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    Rest* session = openSession();
    if (!session) {
        QApplication::closeAllWindows();
        return 0;
    }
    MainWindow window(session);
    window.show();
    return application.exec();
}
