#pragma once

#include <QStringList>

// Plug-ins shipped beside the executable (its own folder and platforms/ under it) are searched
// after Qt's own entries. Both are resolved against the executable's folder, never against the
// working directory, so a folder the tool is started from cannot plant plug-ins.

// The folder holding the running executable, absolute; empty when it cannot be found.
// Works before the application object exists (argv0 is the process's first argument).
QString executable_dir(const char *argv0);

// qt_paths followed by exe_dir and exe_dir/platforms; qt_paths alone when exe_dir is not an
// absolute path.
QStringList plugin_search_paths(const QStringList &qt_paths, const QString &exe_dir);
