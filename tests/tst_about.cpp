#include "aboutbox.h"
#include "box_closer.h"
#include "test_env.h"
#include "window_probe.h"

#include <QtTest>

#include <QDesktopServices>
#include <QImageReader>
#include <QLabel>

#include <memory>

namespace {

// What the About box looked like while it was up; taken when it is shown, before it closes.
struct Seen
{
    QString title;
    QSize size;
    bool has_parent = true;
    bool modal = false;
    QRect logo_geometry;
    QSize logo_pixmap;
    bool logo_scaled = false;
    QString logo_text;
    QRect text_geometry;
    Qt::Alignment text_alignment;
    QString text;
    QList<QSize> icon_sizes;
};

class About_watch : public QObject
{
public:
    About_watch() { qApp->installEventFilter(this); }
    ~About_watch() override { qApp->removeEventFilter(this); }

    QList<Seen> seen;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::Show || !o->inherits("AboutBox"))
            return false;
        auto *dialog = static_cast<QWidget *>(o);
        Seen s;
        s.title = dialog->windowTitle();
        s.size = dialog->size();
        s.has_parent = dialog->parentWidget() != nullptr;
        s.modal = dialog->isModal();
        s.icon_sizes = dialog->windowIcon().availableSizes();
        if (auto *logo = dialog->findChild<QLabel *>(QStringLiteral("label"))) {
            s.logo_geometry = logo->geometry();
            s.logo_pixmap = logo->pixmap(Qt::ReturnByValue).size();
            s.logo_scaled = logo->hasScaledContents();
            s.logo_text = logo->text();
        }
        if (auto *text = dialog->findChild<QLabel *>(QStringLiteral("lbl_email"))) {
            s.text_geometry = text->geometry();
            s.text_alignment = text->alignment();
            s.text = text->text();
        }
        seen << s;
        return false;
    }
};

int about_boxes_alive()
{
    int n = 0;
    const QWidgetList all = QApplication::allWidgets();
    for (QWidget *w : all)
        n += w->inherits("AboutBox") ? 1 : 0;
    return n;
}

} // namespace

// Receives what the tool hands to the desktop instead of a real mail program or browser.
class Url_recorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class tst_about : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void dialog_content();
    void repeated_runs_leave_nothing();
    void links_reach_desktop_data();
    void links_reach_desktop();
    void resources_data();
    void resources();

private:
    std::unique_ptr<Test_env> env;
    std::unique_ptr<MainWindow> window;
    Url_recorder recorder;
};

void tst_about::initTestCase()
{
    env = std::make_unique<Test_env>();
    window = std::make_unique<MainWindow>();
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
    QDesktopServices::setUrlHandler(QString(), &recorder, "open");
}

void tst_about::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QString());
    window.reset();
    env.reset();
}

void tst_about::dialog_content()
{
    Box_closer closer;
    About_watch watch;
    QVERIFY(QMetaObject::invokeMethod(window.get(), "f_about"));

    QCOMPARE(closer.boxes.size(), 1);
    QCOMPARE(closer.boxes.first().class_name, QStringLiteral("AboutBox"));
    QCOMPARE(watch.seen.size(), 1);
    const Seen &s = watch.seen.first();
    QCOMPARE(s.title, QStringLiteral("О программе"));
    QCOMPARE(s.size, QSize(492, 175));
    QVERIFY(!s.has_parent);
    QVERIFY(s.modal);
    QVERIFY(s.icon_sizes.contains(QSize(50, 50)));

    QCOMPARE(s.logo_geometry, QRect(10, 10, 271, 111));
    QCOMPARE(s.logo_pixmap, QSize(1024, 398)); // loaded from the compiled-in bundle
    QVERIFY(s.logo_scaled);
    QVERIFY(s.logo_text.isEmpty());

    QCOMPARE(s.text_geometry, QRect(290, 10, 181, 101));
    QCOMPARE(s.text_alignment, Qt::AlignTop);
    const QRegularExpression layout(
        QStringLiteral("^<b>ORB Technology</b><br><br><b>ORB PTZ Washing</b><br><i>(.*)</i><br><br>"
                       "<i><a href='([^']*)'>([^<]*)</a></i>$"));
    const QRegularExpressionMatch m = layout.match(s.text);
    QVERIFY2(m.hasMatch(), qPrintable(s.text));
    QCOMPARE(m.captured(1), QStringLiteral("version 0.0.99 (116)"));
    // The link shows its own target, "mailto:" included.
    QVERIFY(m.captured(3).startsWith(QLatin1String("mailto:")));
    QCOMPARE(m.captured(2), m.captured(3));
    QVERIFY(m.captured(3).contains(QLatin1Char('@')));
}

void tst_about::repeated_runs_leave_nothing()
{
    Box_closer closer;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(QMetaObject::invokeMethod(window.get(), "f_about"));
        QTRY_COMPARE(about_boxes_alive(), 0);
    }
    QCOMPARE(closer.boxes.size(), 3);
    for (const Box_closer::Box &box : qAsConst(closer.boxes))
        QCOMPARE(box.class_name, QStringLiteral("AboutBox"));
}

void tst_about::links_reach_desktop_data()
{
    QTest::addColumn<bool>("in_about_box");
    QTest::newRow("mail link in the About box") << true;
    QTest::newRow("web link in the main window") << false;
}

void tst_about::links_reach_desktop()
{
    QFETCH(bool, in_about_box);
    recorder.urls.clear();

    std::unique_ptr<AboutBox> about;
    QLabel *label = nullptr;
    if (in_about_box) {
        about = std::make_unique<AboutBox>(
            QStringLiteral("ORB Technology"), QStringLiteral("ORB PTZ Washing"),
            QStringLiteral("0.0.99 (116)"), QStringLiteral("mailto:shown@example.org"));
        label = about->findChild<QLabel *>(QStringLiteral("lbl_email"));
    } else {
        label = Window_probe::ui(*window)->lbl_adv_frame;
    }
    QVERIFY(label);

    // The desktop gets the anchor's href, as a click on the link would deliver it.
    const QRegularExpression anchor(QStringLiteral("<a href='([^']+)'>"));
    const QRegularExpressionMatch m = anchor.match(label->text());
    QVERIFY2(m.hasMatch(), qPrintable(label->text()));
    emit label->linkActivated(m.captured(1));

    QCOMPARE(recorder.urls.size(), 1);
    QCOMPARE(recorder.urls.first().toString(), m.captured(1));
    if (in_about_box)
        QCOMPARE(recorder.urls.first().scheme(), QStringLiteral("mailto"));
}

void tst_about::resources_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("alpha");

    QTest::newRow("icon") << ":/ico/icons8-camera-50.ico" << QByteArray("ico") << QSize(50, 50)
                          << true;
    QTest::newRow("logo") << ":/images/logo_orb.png" << QByteArray("png") << QSize(1024, 398)
                          << true;
    // JPEG data under a .png name: the reader must go by content.
    QTest::newRow("small logo") << ":/images/logo_orb_s.png" << QByteArray("jpeg")
                                << QSize(512, 181) << false;
}

void tst_about::resources()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, alpha);

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    QCOMPARE(image.hasAlphaChannel(), alpha);
    if (alpha)
        QCOMPARE(image.depth(), 32);
}

QTEST_MAIN(tst_about)
#include "tst_about.moc"
