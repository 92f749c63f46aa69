#pragma once

#include <QString>

#include <cstdio>

// Writes text to stdout or stderr so that every letter reads right: UTF-8, except that a
// Windows console gets wide characters, whatever its code page.
void write_text(std::FILE *stream, const QString &text);
