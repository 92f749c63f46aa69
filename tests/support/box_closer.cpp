#include "box_closer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

Box_closer::Box_closer(int poll_ms, int linger_ms)
    : linger_ms(linger_ms)
{
    connect(&timer, &QTimer::timeout, this, &Box_closer::look);
    timer.start(poll_ms);
}

void Box_closer::look()
{
    auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!d || closing)
        return;
    if (d != shown) {
        shown = d;
        shown_for.start();
    }
    if (shown_for.elapsed() < linger_ms)
        return;
    auto *m = qobject_cast<QMessageBox *>(d);
    boxes.append({d->metaObject()->className(), d->windowTitle(), m ? m->text() : QString(),
                  m ? m->icon() : -1, m ? int(m->standardButtons()) : 0,
                  m ? m->standardButton(m->defaultButton()) : 0, d->parentWidget() != nullptr});
    closing = true;
    if (before_close)
        before_close(d);
    closing = false;
    shown = nullptr;
    if (QAbstractButton *ok = m ? m->button(QMessageBox::Ok) : nullptr)
        ok->click();
    else
        d->reject(); // what Escape does
}
