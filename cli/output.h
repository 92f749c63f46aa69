#pragma once

#include "outcome.h"

#include <QString>

class QElapsedTimer;

// "orbctl: text" on stderr.
void fail(const QString &text);
// Text on stdout, flushed at once so a watch can be piped.
void out(const QString &text);
// What out() is given goes into *into from now on instead; nullptr: to stdout again.
void capture_out(QString *into);

// The exit status of a result, after its message on stderr.
int finish(const Result &result);

// status --watch: SIGINT and SIGTERM end the polls at the next turn, not the process.
void watch_signals();
bool watch_interrupted();
// The time in front of a watch's lines ("hh:mm:ss.zzz  "); empty when not watching.
QString watch_stamp(bool watching);
// Until poll n + 1 is due (n periods from the clock's start) or Ctrl-C: polls keep to a fixed
// period from the start.
void watch_wait(const QElapsedTimer &clock, qint64 n, qint64 every_ms);
