#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

// Records and closes every modal dialog within 10 ms, so tests can drive code that runs exec().
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

    explicit Box_closer(QObject *parent = nullptr)
        : QObject(parent)
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!d)
                return;
            auto *m = qobject_cast<QMessageBox *>(d);
            boxes.append({d->metaObject()->className(), d->windowTitle(), m ? m->text() : QString(),
                          m ? m->icon() : -1, m ? int(m->standardButtons()) : 0,
                          m ? m->standardButton(m->defaultButton()) : 0,
                          d->parentWidget() != nullptr});
            d->done(0);
        });
        timer.start(10);
    }

private:
    QTimer timer;
};
