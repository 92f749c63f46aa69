#pragma once

#include "outcome.h"

class Client;
class Log;
struct Command;
struct Settings;

// A command that asks one module, run once for each address of s.addresses in order on the
// one open port, each address its own exchange, retries and timeout. Text lines get the
// address in front ("7: "), JSON objects go into one array (a failed address as
// {"address": N, "error": {"status": S, "message": "..."}}). Every address is tried; a lost
// port ends the run and the rest are not tried. The result is the first failure's, with one
// line naming each failed address and why; status --watch polls all of them each period.
Result run_per_address(const Command &command, Client &client, Log &log, const Settings &s);

// status --prometheus: one status request per address, the answers as metrics on stdout or,
// with s.out_file, written whole and renamed into place. A port that did not open (opened not
// ok) still gives every address its orb_washing_up 0.
Result cmd_metrics(Client &client, Log &log, const Settings &s, const Result &opened);
