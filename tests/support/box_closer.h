#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

// Watches for modal dialogs every 10 ms, records what they showed and closes them,
// so tests can drive code that runs QMessageBox::exec() or QDialog::exec().
class Box_closer : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString class_name;
        QString title;
        QString text;
        int icon = -1;            // QMessageBox::Icon, -1 for other dialogs
        int buttons = 0;          // QMessageBox::StandardButtons
        int default_button = 0;   // QMessageBox::StandardButton of the default button
        bool has_parent = false;
    };

    explicit Box_closer(QObject *parent = nullptr);

    QList<Box> boxes;

private:
    void poll();

    QTimer timer;
};
