#include "box_closer.h"
#include "high_dpi.h"
#include "process_run.h"
#include "test_env.h"
#include "window_probe.h"

#include "protocol/language.h"
#include "protocol/version.h"

#include <QtTest>

#include <QDesktopServices>
#include <QGroupBox>
#include <QScreen>
#include <QSettings>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>

namespace {

// Every caption of top on show whose text needs more room than its widget gives it, as
// "objectName 'text' WxH in WxH".
QStringList cut_captions(QWidget *top)
{
    QStringList cut;
    const auto check = [&cut](const QWidget *w, const QString &text, QSize need, QRect room) {
        const auto wxh = [](QSize s) {
            return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
        };
        if (need.width() > room.width() || need.height() > room.height())
            cut << QStringLiteral("%1 '%2' %3 in %4")
                       .arg(w->objectName(), text, wxh(need), wxh(room.size()));
    };
    const auto widgets = top->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (!w->isVisible())
            continue;
        const QFontMetrics fm = w->fontMetrics();
        const QStyle *style = w->style();
        if (auto *label = qobject_cast<QLabel *>(w)) {
            const QString text = label->text();
            if (text.isEmpty())
                continue;
            QSize need = fm.size(Qt::TextShowMnemonic, text);
            if (Qt::mightBeRichText(text)) {
                QTextDocument doc;
                doc.setDefaultFont(label->font());
                doc.setDocumentMargin(0);
                doc.setHtml(text);
                need = doc.size().toSize();
            }
            const int inset = label->margin() + qMax(label->indent(), 0);
            check(w, text, need, label->contentsRect().adjusted(inset, inset, -inset, -inset));
        } else if (qobject_cast<QPushButton *>(w) || qobject_cast<QCheckBox *>(w)) {
            auto *button = static_cast<QAbstractButton *>(w);
            QStyleOptionButton opt;
            opt.initFrom(button);
            opt.text = button->text();
            const auto contents = qobject_cast<QPushButton *>(w) ? QStyle::SE_PushButtonContents
                                                                 : QStyle::SE_CheckBoxContents;
            check(w, button->text(), fm.size(Qt::TextShowMnemonic, button->text()),
                  style->subElementRect(contents, &opt, button));
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            const QRect room = style->subControlRect(QStyle::CC_ComboBox, &opt,
                                                     QStyle::SC_ComboBoxEditField, combo);
            for (int i = 0; i < combo->count(); ++i)
                check(w, combo->itemText(i), fm.size(0, combo->itemText(i)), room);
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            if (group->title().isEmpty())
                continue;
            QStyleOptionGroupBox opt;
            opt.initFrom(group);
            opt.text = group->title();
            opt.textAlignment = group->alignment();
            opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect label =
                style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
            // The title is drawn where the style puts it; whatever lies outside the box is lost.
            check(w, group->title(), label.size(), label.intersected(group->rect()));
        } else if (auto *bar = qobject_cast<QTabBar *>(w)) {
            // Scroll buttons, when shown, cover the bar's right end.
            QRect shown = bar->rect();
            const auto arrows = bar->findChildren<QToolButton *>();
            for (const QToolButton *arrow : arrows) {
                if (arrow->isVisible())
                    shown.setRight(qMin(shown.right(), arrow->x() - 1));
            }
            const int space = style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
            for (int i = 0; i < bar->count(); ++i) {
                const QSize text = fm.size(Qt::TextShowMnemonic, bar->tabText(i));
                const QRect tab = bar->tabRect(i);
                check(w, bar->tabText(i), {text.width() + space, text.height()},
                      tab.intersected(shown));
            }
        }
    }
    return cut;
}

// Shows every page of every tab widget of top in turn, outer pages first.
QStringList cut_captions_on_every_page(QWidget *top)
{
    QStringList cut = cut_captions(top);
    const auto tab_widgets = top->findChildren<QTabWidget *>();
    for (QTabWidget *tabs : tab_widgets) {
        for (QWidget *page = tabs; page != top; page = page->parentWidget()) {
            auto *outer = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget());
            if (outer && outer->indexOf(page) >= 0)
                outer->setCurrentWidget(page);
        }
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            cut += cut_captions(tabs->widget(i));
        }
    }
    cut.removeDuplicates();
    return cut;
}

QFont desktop_font(const QString &size)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    if (size.endsWith(QLatin1String("px")))
        font.setPixelSize(size.chopped(2).toInt());
    else
        font.setPointSizeF(size.chopped(2).toDouble());
    return font;
}

// Qt reads the display's DPI when the application starts, so a scale is a run of its own: this
// suite again, on this row alone.
void rerun_at(int dpi)
{
    const QString report = QDir::current().absoluteFilePath(QStringLiteral("scaled.txt"));
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_FONT_DPI"), QString::number(dpi));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QString why;
    QVERIFY2(start_child(child, QCoreApplication::applicationFilePath(),
                         {QStringLiteral("captions_fit:") + tag, QStringLiteral("-o"),
                          QDir::toNativeSeparators(report) + QStringLiteral(",txt")},
                         &why),
             qPrintable(why));
    QVERIFY2(child.waitForFinished(120000), qPrintable(child.errorString()));
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(text));
    QVERIFY2(text.contains("PASS   : tst_window::captions_fit(" + tag + ')'), qPrintable(text));
}

} // namespace

class tst_window : public QObject
{
    Q_OBJECT
    Test_env env;
    MainWindow window; // built on an empty settings store: a first run
    QStringList opened;

public slots:
    void open(const QUrl &url) { opened << url.toString(); }

private slots:
    void persistence();
    void widgets_data();
    void widgets();
    void captions_fit_data();
    void captions_fit();
    void quit_ends_event_loop();
};

void tst_window::persistence()
{
    QVERIFY(!QFile::exists(QStringLiteral("ORB_PTZ_Washing.log"))); // start-up logs nothing
    QCOMPARE(window.windowTitle(), QStringLiteral("ORB PTZ Washing"));
    QCOMPARE(window.size(), QSize(999, 492));
    const QRect place(97, 61, 560, 380);
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Within the screen, frame and all: Qt 6.8 brings a window its screen cannot hold back
        // onto it, and an offscreen screen is 800 pixels wide or less.
        QVERIFY(w.screen()->availableGeometry().contains(place.adjusted(-40, -40, 40, 40)));
        w.setGeometry(place);
        QTRY_COMPARE(w.geometry(), place);
    }
#ifdef Q_OS_WIN
    // The registry: a QSettings reads it afresh, nothing of the window's store is cached here.
    const QSettings store = Test_env::tool_settings();
    QStringList keys = store.allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"geometry", "windowState"}));
#else
    // Read the file itself: any QSettings would first write out what a leaked store held back.
    QFile file(QStringLiteral("config/ORB Technology/ORB PTZ Washing.conf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray disk = file.readAll();
    QVERIFY2(disk.contains("\ngeometry=") && disk.contains("\nwindowState="), disk.constData());
#endif
    QCOMPARE(MainWindow().geometry(), place);
}

void tst_window::widgets_data()
{
    // What no other suite sees: the combo boxes' items, whose index is the value the record
    // carries, and where the footer's link leads. A value past its field is refused by the
    // write, whatever a spin box allows (tst_records, tst_commands); the buttons and captions
    // are checked where they act (tst_commands, tst_serial, the tour).
    QTest::addColumn<QString>("want");
    QTest::newRow("cm_WorkReg") << "Точка|Тур|Скан|Патерн";
    QTest::newRow("cb_normal_sensor_rain") << "Замкнутое|Разомкнутое";
    QTest::newRow("lbl_adv_frame") << "www.orb-zeduzareze.ru";
}

void tst_window::widgets()
{
    QFETCH(QString, want);
    QWidget *w = window.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    QStringList got;
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        for (int i = 0; i < combo->count(); ++i)
            got << combo->itemText(i);
    } else if (auto *label = qobject_cast<QLabel *>(w)) {
        QDesktopServices::setUrlHandler(QString(), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        emit label->linkActivated(label->text().section('\'', 1, 1));
        // The bare address may be handed on with an http:// scheme added.
        got << opened.join('|').remove(QRegularExpression("^http://"));
    }
    QCOMPARE(got.join('|'), want);
}

void tst_window::captions_fit_data()
{
    // The desktop's font, and whether the window and the About box keep it as it is. The
    // language asked for (--lang): English captions are longer or shorter. The display's scale,
    // as the DPI it reports (0: as started), on the font Windows' own matches; laptops mostly
    // run at 125 or 150 %.
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<int>("dpi");
    QTest::newRow("7pt") << "7pt" << true << "" << 0;
    QTest::newRow("8pt, wider than Windows' font") << "8pt" << false << "" << 0;
    QTest::newRow("9pt, plain X11") << "9pt" << false << "" << 0;
    QTest::newRow("10pt, KDE and Xfce") << "10pt" << false << "" << 0;
    QTest::newRow("11pt, GNOME") << "11pt" << false << "" << 0;
    QTest::newRow("12pt, offscreen") << "12pt" << false << "" << 0;
    QTest::newRow("16px") << "16px" << false << "" << 0;
    QTest::newRow("7pt, English") << "7pt" << true << "en" << 0;
    QTest::newRow("11pt, GNOME, English") << "11pt" << false << "en" << 0;
    QTest::newRow("12pt, offscreen, English") << "12pt" << false << "en" << 0;
    QTest::newRow("9pt at 100 %") << "9pt" << false << "" << 96;
    QTest::newRow("9pt at 125 %") << "9pt" << false << "" << 120;
    QTest::newRow("9pt at 150 %") << "9pt" << false << "" << 144;
    QTest::newRow("9pt at 200 %") << "9pt" << false << "" << 192;
}

void tst_window::captions_fit()
{
    QFETCH(QString, size);
    QFETCH(bool, kept);
    QFETCH(QString, lang);
    QFETCH(int, dpi);
    if (dpi && qEnvironmentVariableIntValue("QT_FONT_DPI") != dpi)
        return rerun_at(dpi);
    const auto font_back =
        qScopeGuard([font = QApplication::font()] { QApplication::setFont(font); });
    QApplication::setFont(desktop_font(size));
    QString why;
    QVERIFY2(orb::use_language(lang, &why), qPrintable(why));
    const auto russian = qScopeGuard([&why] { orb::use_language({}, &why); });

    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList cut = cut_captions_on_every_page(&w);

    // The About box in each: its captions, its font, what it says, and that it goes when closed.
    bool about_kept = false;
    QPointer<QWidget> about;
    QString html;
    QSize logo;
    Box_closer closer;
    QTimer::singleShot(0, &closer, [&] { // inside the modal run, before the closer's first look
        if ((about = QApplication::activeModalWidget())) {
            about_kept = about->font() == QApplication::font();
            cut += cut_captions(about);
            html = about->findChild<QLabel *>(QStringLiteral("lbl_email"))->text();
            logo = about->findChild<QLabel *>(QStringLiteral("label"))
                       ->pixmap(Qt::ReturnByValue)
                       .size();
        }
    });
    QVERIFY(QMetaObject::invokeMethod(&w, "f_about"));
    QTRY_VERIFY(about.isNull());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String("; "))));
    QCOMPARE(w.font() == QApplication::font(), kept);
    QCOMPARE(about_kept, kept);
    QCOMPARE(closer.boxes.size(), 1);
    QCOMPARE(closer.boxes.first().class_name + ' ' + closer.boxes.first().title,
             lang.isEmpty() ? QStringLiteral("AboutBox О программе") : "AboutBox About");
    QCOMPARE(logo, QSize(1024, 398)); // from the compiled-in bundle
    // Russian goes unsaid; English names itself.
    const QRegularExpression content(
        QStringLiteral("^<b>ORB Technology</b><br><br><b>ORB PTZ Washing</b><br><i>version ") +
        QRegularExpression::escape(orb::version_text()) + (lang.isEmpty() ? "" : ", English") +
        QStringLiteral("</i><br><br><i><a href='(mailto:[^']+@[^']+)'>\\1</a></i>$"));
    QVERIFY2(content.match(html).hasMatch(), qPrintable(html));
}

void tst_window::quit_ends_event_loop()
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTimer::singleShot(0, window.findChild<QPushButton *>("btn_quit"), &QPushButton::click);
    QObject guard; // bounds the wait
    QTimer::singleShot(10000, &guard, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!window.isVisible());
}

// Started as the tool starts, not as QTEST_MAIN would: Qt's scaling on, and fonts at the
// display's DPI rather than Qt Test's fixed 96, so that a run at 150 % sees what the tool shows.
int main(int argc, char *argv[])
{
    enable_high_dpi_scaling();
    QApplication app(argc, argv);
    tst_window test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window.moc"
