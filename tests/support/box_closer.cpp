#include "box_closer.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

Box_closer::Box_closer(QObject *parent)
    : QObject(parent)
{
    connect(&timer, &QTimer::timeout, this, &Box_closer::poll);
    timer.start(10);
}

void Box_closer::poll()
{
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog)
        return;
    Box box;
    box.class_name = QString::fromLatin1(dialog->metaObject()->className());
    box.title = dialog->windowTitle();
    box.has_parent = dialog->parentWidget() != nullptr;
    if (auto *mb = qobject_cast<QMessageBox *>(dialog)) {
        box.text = mb->text();
        box.icon = mb->icon();
        box.buttons = int(mb->standardButtons());
        if (auto *def = mb->defaultButton())
            box.default_button = int(mb->standardButton(def));
    }
    boxes.append(box);
    dialog->done(0);
}
