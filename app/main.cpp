#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Plug-ins shipped beside the executable (platforms/) are found without qt.conf.
    QStringList paths = QCoreApplication::libraryPaths();
    paths.append(QStringLiteral("."));
    paths.append(QStringLiteral("platforms"));
    QCoreApplication::setLibraryPaths(paths);

    QApplication app(argc, argv);
    MainWindow w;
    w.show();
    return app.exec();
}
