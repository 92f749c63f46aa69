#pragma once

#include "outcome.h"

struct Command;
struct Settings;

// Opens the log and, when the command wants one, the port; then runs the command once, or for
// a list of addresses once for each (status --prometheus asks them all for one scrape).
//
// A command that asks one module runs once for each address of s.addresses in order on the
// one open port, each address its own exchange, retries and timeout. Text lines get the
// address in front ("7: "), JSON objects go into one array (a failed address as
// {"address": N, "error": {"status": S, "message": "..."}}; one written to its own -o file
// is left out). Every address is tried; a lost
// port ends the run and the rest are not tried. The result is the first failure's, with one
// line naming each failed address and why; status --watch polls all of them each period.
//
// status --prometheus: one status request per address, the answers as metrics on stdout or,
// with s.out_file, written whole and renamed into place. A port that did not open still gives
// every address its orb_washing_up 0.
Result run_command(const Command &command, const Settings &s);
