#pragma once

#include <QString>
#include <QStringList>

namespace orb {

// Who reads a text. The log keeps the tool's Russian byte for byte (the maker's support and
// people's scripts read it); the user reads the language asked for.
enum class Reader { log, user };

// `source`, a Russian text marked with QT_TRANSLATE_NOOP(context, …), for its reader.
QString text_for(Reader reader, const char *context, const char *source);

// The language of what the user reads, asked for by `--lang en` (or `--lang=en`, the last one
// counts) on the command line, else by ORB_LANG; the system's locale never decides. Empty when
// nothing was asked, so Russian.
QString asked_language(const QStringList &arguments);

// Installs the translation of `language` ("en"; "ru" and empty need none). False with *why for
// a language the tool does not have: the texts stay Russian.
bool use_language(const QString &language, QString *why);

// The language now on: "en" or "ru".
QString language_on();

} // namespace orb
