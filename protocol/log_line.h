#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace orb {

// The tool's one log, in the working directory; the window and orbctl --log append to it.
constexpr char log_file_name[] = "ORB_PTZ_Washing.log";
constexpr char log_stamp_format[] = "dd-MM-yyyy hh:mm:ss"; // local time, 19 characters

enum class Log_level { info, debug, error, trace };

// "stamp LEVEL text\n": the level tag carries a space on each side, the text goes in as it is
// (its own line breaks get no stamp).
QString log_line(Log_level level, const QString &text, const QDateTime &when);

enum class Log_encoding { utf8, ansi_code_page };

// This system's ANSI code page on Windows; 0 elsewhere.
unsigned ansi_code_page();
// How a Windows whose ANSI code page is `code_page` writes the log: in that code page where it
// holds the tool's Cyrillic texts, in UTF-8 where it would turn them into '?'.
Log_encoding log_encoding_for(unsigned code_page);
// This system's: UTF-8 outside Windows, whatever the locale; on Windows by its ANSI code page.
Log_encoding log_encoding();

// The log's bytes for a text, and back, under this system's encoding: every writer and reader
// of the log goes through these two.
QByteArray encode_log(const QString &text);
QString decode_log(const QByteArray &bytes);

// Opens the file for appending in text mode, writes the line and closes it again. False when
// the file cannot be opened or the line not written whole.
bool append_log_line(const QString &file_name, const QString &line);

// Where the log goes when it cannot be written where it was asked for: the user's data folder
// for the tool, made when needed.
QString fallback_log_folder();

// A log that is never lost in silence. Lines go to the file asked for while it takes them; from
// the first one it does not, to the file of the same name in fallback_log_folder(), for the rest
// of the run, so that one record does not end up in pieces.
class Log_file
{
public:
    enum class News { none, moved, lost };

    explicit Log_file(const QString &file_name = QString())
        : name(file_name)
        , asked(file_name)
    {}

    // Appends the line. Says once that the log has moved (this line is the first in file_name()),
    // and once that a line could be written nowhere.
    News append(const QString &line);
    // Where lines go now.
    QString file_name() const { return name; }
    // As it was asked for.
    QString asked_name() const { return asked; }

private:
    QString name;
    QString asked;
    bool moved = false;
    bool lost_said = false;
};

// A log's entries with their stamps cut off ("INFO text"); a text with line breaks stays one
// entry.
QStringList log_entries(const QByteArray &bytes);

} // namespace orb
