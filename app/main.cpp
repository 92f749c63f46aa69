#include "high_dpi.h"
#include "mainwindow.h"
#include "plugin_paths.h"

#include "protocol/language.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    enable_high_dpi_scaling();
    QCoreApplication::setLibraryPaths(
        plugin_search_paths(QCoreApplication::libraryPaths(), executable_dir(argv[0])));

    QApplication app(argc, argv);
    QString why;
    if (!orb::use_language(orb::asked_language(QCoreApplication::arguments()), &why))
        std::fprintf(stderr, "orb-ptz-washing: %s\n", qPrintable(why));
    MainWindow w;
    w.show();
    return app.exec();
}
