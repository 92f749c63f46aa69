#pragma once

#include "protocol/status_data.h"

#include <QString>
#include <QVector>

// One module's status as one scrape sees it.
struct Module_sample
{
    quint8 address = 0;
    bool up = false;
    int failure = 0; // orbctl's exit status for a module that did not answer
    QString reason;  // and its one line
    orb::Status_data status;
    double exchange_seconds = 0;
};

// The samples in Prometheus' text exposition format: HELP and TYPE once per metric, then one
// sample per module, labelled with the port and the address. A module that is not up has
// only orb_washing_up and the reason in orb_washing_failure_info.
QString prometheus_text(const QString &port, const QVector<Module_sample> &samples);
