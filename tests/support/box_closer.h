#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

// Records and closes every modal dialog as a person would (its OK button, else Escape), so
// code that runs exec() can be driven.
class Box_closer : public QObject
{
public:
    struct Box
    {
        QString class_name, title, text;
        int icon, buttons, default_button; // the QMessageBox's; -1, 0, 0 for other dialogs
        bool has_parent;
    };
    QList<Box> boxes;
    // Runs with each dialog just before it closes: a picture of it, a time stamp.
    std::function<void(QDialog *)> before_close;

    // Looks every poll_ms; a dialog stays up at least linger_ms, as a reader would keep it.
    explicit Box_closer(int poll_ms = 10, int linger_ms = 0);

private:
    void look();

    QTimer timer;
    const int linger_ms;
    QPointer<QDialog> shown;
    QElapsedTimer shown_for;
    bool closing = false; // before_close may turn the event loop
};
