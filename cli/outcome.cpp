#include "outcome.h"

int exit_status(Outcome outcome)
{
    switch (outcome) {
    case Outcome::ok:
        return 0;
    case Outcome::wrong_reply:
        return 1;
    case Outcome::bad_input:
        return 2;
    case Outcome::no_reply:
        return 3;
    case Outcome::no_port:
    case Outcome::port_lost:
        return 4;
    case Outcome::echo_differs:
        return 5;
    }
    return 2;
}

QString exit_status_help()
{
    return QStringLiteral("\n"
                          "Exit status:\n"
                          "  0  success\n"
                          "  1  the module answered wrongly (reply check failed, short record)\n"
                          "  2  bad usage or input; nothing was sent\n"
                          "  3  no reply within the timeout (scan: no address answered)\n"
                          "  4  the port cannot be opened or was lost\n"
                          "  5  the module's echo of a write differs from what was sent\n"
                          "With several addresses: that of the first address that failed.\n");
}
