#include "outcome.h"

const QVector<Exit_status> &exit_statuses()
{
    static const QVector<Exit_status> table = {
        {0, "success", {Outcome::ok}},
        {1,
         "the module answered wrongly (reply check failed, short record)",
         {Outcome::wrong_reply}},
        {2, "bad usage or input; nothing was sent", {Outcome::bad_input}},
        {3, "no reply within the timeout (scan: no address answered)", {Outcome::no_reply}},
        {4, "the port cannot be opened or was lost", {Outcome::no_port, Outcome::port_lost}},
        {5, "the module's echo of a write differs from what was sent", {Outcome::echo_differs}},
    };
    return table;
}

int exit_status(Outcome outcome)
{
    for (const Exit_status &s : exit_statuses()) {
        if (s.outcomes.contains(outcome))
            return s.code;
    }
    return 2;
}

QString exit_status_help()
{
    QString text = QStringLiteral("\nExit status:\n");
    for (const Exit_status &s : exit_statuses())
        text += QStringLiteral("  %1  %2\n").arg(s.code).arg(QLatin1String(s.meaning));
    return text +
           QStringLiteral("With several addresses: that of the first address that failed.\n");
}
