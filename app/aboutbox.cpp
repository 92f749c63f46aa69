#include "aboutbox.h"
#include "form_font.h"
#include "mainwindow.h"
#include "ui_aboutbox.h"

#include "protocol/language.h"
#include "protocol/version.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

void open_link(const QString &link)
{
    QUrl url(link, QUrl::TolerantMode);
    // The footer shows the web address without a scheme; only Windows' shell opens that as a
    // web page, so give it one the desktops everywhere understand.
    if (url.scheme().isEmpty())
        url = QUrl::fromUserInput(link);
    QDesktopServices::openUrl(url);
}

} // namespace

AboutBox::AboutBox(const QString &organization, const QString &application, const QString &version,
                   const QString &mail_link, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutBox)
{
    ui->setupUi(this);

    // The href is always built here; the caller chooses only what the link shows.
    const QString anchor = (QStringLiteral("<a href='mailto:") + QLatin1String(orb_maker::email) +
                            QStringLiteral("'>%1</a>"))
                               .arg(mail_link);
    QString version_line = tr("version %1").arg(version);
    // Russian is the tool's own language and goes unsaid; another one names itself.
    if (orb::language_on() != QLatin1String("ru"))
        version_line += QStringLiteral(", ") + tr("русский язык");
    const QString html = tr("<b>%1</b><br><br><b>%2</b><br><i>%3</i><br><br><i>%4</i>")
                             .arg(organization)
                             .arg(application)
                             .arg(version_line)
                             .arg(anchor);
    ui->lbl_email->setAlignment(Qt::AlignTop);
    ui->lbl_email->setText(html);
    connect(ui->lbl_email, &QLabel::linkActivated, this, &AboutBox::send_mail);
    fit_form_font(this);
}

AboutBox::~AboutBox()
{
    delete ui;
}

void AboutBox::send_mail(QString link)
{
    open_link(link);
}

// Empty and unconnected, but one of the dialog's two published slots.
void AboutBox::show_env() {}

void MainWindow::f_about()
{
    const QString version = orb::version_text();
    const QString mail = tr("mailto:%1").arg(QLatin1String(orb_maker::email));
    AboutBox box(QLatin1String(orb::organization_name), QLatin1String(orb::application_name),
                 version, mail);
    box.exec();
}

void MainWindow::open_url(QString link)
{
    open_link(link);
}
