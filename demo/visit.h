#pragma once

// The service visit the tour makes, as steps for the tour's driver to run.

#include "tour.h"

// Every step of the visit in order: port, address, connect, read, look at the pages, change the
// interval, write, read again, status, pump, About, leave.
Visit_steps visit_steps(Tour &tour, const QString &port);
