#include "high_dpi.h"
#include "mainwindow.h"
#include "plugin_paths.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    enable_high_dpi_scaling();
    QCoreApplication::setLibraryPaths(
        plugin_search_paths(QCoreApplication::libraryPaths(), executable_dir(argv[0])));

    QApplication app(argc, argv);
    MainWindow w;
    w.show();
    return app.exec();
}
