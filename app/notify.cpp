#include "mainwindow.h"

#include <QMessageBox>

void MainWindow::notify(LogLevel level, const QString &log_text, const QString &title,
                        const QString &text, bool show_box)
{
    QMessageBox::Icon icon = QMessageBox::Warning;
    switch (level) {
    case INFO:
        emit info(log_text);
        icon = QMessageBox::Information;
        break;
    case DEBUG:
        emit debug(log_text);
        break;
    case ERROR:
        emit error(log_text);
        // The tool has always shown its errors with the question mark.
        icon = QMessageBox::Question;
        break;
    case TRACE:
        emit trace(log_text);
        break;
    }
    if (!show_box)
        return;

    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(icon);
    box.setDefaultButton(QMessageBox::Ok);
    exec_box(box);
}

void MainWindow::exec_box(QMessageBox &box)
{
    box.setAccessibleDescription(box.text());
    box.exec();
}
