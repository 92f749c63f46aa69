#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class AboutBox;
}
QT_END_NAMESPACE

class AboutBox : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(AboutBox)

public:
    AboutBox(const QString &organization, const QString &application, const QString &version,
             const QString &mail_link, QWidget *parent = nullptr);
    ~AboutBox() override;

private slots:
    void send_mail(QString link);
    void show_env();

private:
    Ui::AboutBox *ui;
};

// The maker's contacts, shown in the About box and the main window's footer.
namespace orb_maker {
inline const char *const email = "service@orb-zeduzareze.ru";
inline const char *const site = "www.orb-zeduzareze.ru";
inline const char *const notice = "© 2026 ОРБ Zeduzareze";
} // namespace orb_maker
