#include "box_closer.h"
#include "control_log.h"
#include "test_env.h"
#include "window_probe.h"

#include <QtTest>

#include <QMessageBox>

#include <memory>

namespace {

const QString log_name = QStringLiteral("ORB_PTZ_Washing.log");

#ifdef Q_OS_WIN
const QByteArray line_end = "\r\n";
#else
const QByteArray line_end = "\n";
#endif

void write_file(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Takes what the log holds at the moment a message box appears, before anyone can close it.
class Show_watch : public QObject
{
public:
    Show_watch() { qApp->installEventFilter(this); }
    ~Show_watch() override { qApp->removeEventFilter(this); }

    QList<QStringList> log_at_show;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show && qobject_cast<QMessageBox *>(o))
            log_at_show << Test_env::log_lines();
        return false;
    }
};

} // namespace

class tst_log : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void line_format_data();
    void line_format();
    void append_never_truncates();
    void created_when_missing();
    void unwritable_data();
    void unwritable();
    void unwritable_log_keeps_window_working();
    void notify_data();
    void notify();

private:
    std::unique_ptr<Test_env> env;
    std::unique_ptr<MainWindow> window;
};

void tst_log::initTestCase()
{
    env = std::make_unique<Test_env>();
    window = std::make_unique<MainWindow>();
}

void tst_log::cleanupTestCase()
{
    window.reset();
    env.reset();
}

void tst_log::init()
{
    Test_env::clear_log();
}

void tst_log::line_format_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");

    QTest::newRow("info plain") << QByteArray("info") << "Чтение"
                                << " INFO ";
    QTest::newRow("debug empty") << QByteArray("debug") << ""
                                 << " DEBUG ";
    QTest::newRow("error multi-line") << QByteArray("error") << "first\nsecond\n\nfourth"
                                      << " ERROR ";
    QTest::newRow("trace padded") << QByteArray("trace") << "  padded  "
                                  << " TRACE ";
    QTest::newRow("info hex dump") << QByteArray("info") << ":AABB0103000000A1B2\n"
                                   << " INFO ";
}

void tst_log::line_format()
{
    QFETCH(QByteArray, slot);
    QFETCH(QString, text);
    QFETCH(QString, tag);

    Control_LOG log(log_name, nullptr);
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(QMetaObject::invokeMethod(&log, slot.constData(), Q_ARG(QString, text)));

    const QByteArray bytes = Test_env::log_bytes();
    static const QRegularExpression stamp(
        QStringLiteral("^(\\d\\d)-(\\d\\d)-(\\d{4}) (\\d\\d):(\\d\\d):(\\d\\d)"));
    const QString head = QString::fromLatin1(bytes.left(19));
    const QRegularExpressionMatch m = stamp.match(head);
    QVERIFY2(m.hasMatch(), bytes.constData());
    // Day first, then month: the stamp must name the moment the line was written.
    const QDateTime when = QDateTime::fromString(head, QStringLiteral("dd-MM-yyyy hh:mm:ss"));
    QVERIFY(when.isValid());
    QVERIFY(qAbs(before.secsTo(when)) <= 60);

    QCOMPARE(bytes.mid(19), (tag + text).toLocal8Bit() + line_end);
}

void tst_log::append_never_truncates()
{
    write_file(log_name, "written before" + line_end);
    Control_LOG log(log_name, nullptr);
    log.info(QStringLiteral("one"));
    log.debug(QStringLiteral("two"));

    const QByteArray bytes = Test_env::log_bytes();
    QVERIFY(bytes.startsWith("written before" + line_end));
    QCOMPARE(Test_env::log_lines(), (QStringList{"INFO one", "DEBUG two"}));
}

void tst_log::created_when_missing()
{
    Control_LOG log(log_name, nullptr);
    QVERIFY(!QFile::exists(log_name)); // constructing the sink touches no file
    log.error(QStringLiteral("first"));
    QVERIFY(QFile::exists(log_name));

    // A log removed while the tool runs comes back with the next line only.
    Test_env::clear_log();
    log.trace(QStringLiteral("second"));
    QCOMPARE(Test_env::log_lines(), QStringList{"TRACE second"});
}

void tst_log::unwritable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("make_directory");
    QTest::newRow("missing directory") << "no_such_dir/ORB_PTZ_Washing.log" << false;
    QTest::newRow("name is a directory") << "occupied.log" << true;
}

void tst_log::unwritable()
{
    QFETCH(QString, name);
    QFETCH(bool, make_directory);
    if (make_directory)
        QVERIFY(QDir().mkpath(name));

    Control_LOG log(name, nullptr);
    log.info(QStringLiteral("lost"));
    log.debug(QStringLiteral("lost"));
    log.error(QStringLiteral("lost"));
    log.trace(QStringLiteral("lost"));

    QVERIFY(!QDir(QStringLiteral("no_such_dir")).exists());
    QCOMPARE(QFileInfo(name).isDir(), make_directory);
    if (make_directory)
        QVERIFY(QDir().rmdir(name));
}

void tst_log::unwritable_log_keeps_window_working()
{
    QVERIFY(QDir().mkdir(log_name));
    Box_closer closer;
    emit window->error(QStringLiteral("dropped"));
    QCOMPARE(closer.boxes.size(), 0); // no complaint about the log itself

    Window_probe::notify(*window, ERROR, QStringLiteral("dropped too"), QStringLiteral("Ошибка"),
                         QStringLiteral("still shown"), true);
    QCOMPARE(closer.boxes.size(), 1);
    QCOMPARE(closer.boxes.first().text, QStringLiteral("still shown"));
    QVERIFY(QDir().rmdir(log_name));

    emit window->info(QStringLiteral("back"));
    QCOMPARE(Test_env::log_lines(), QStringList{"INFO back"});
}

void tst_log::notify_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("show_box");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("icon");

    QTest::newRow("INFO with box") << int(INFO) << true << "INFO" << int(QMessageBox::Information);
    QTest::newRow("DEBUG with box") << int(DEBUG) << true << "DEBUG" << int(QMessageBox::Warning);
    QTest::newRow("ERROR with box") << int(ERROR) << true << "ERROR" << int(QMessageBox::Question);
    QTest::newRow("TRACE with box") << int(TRACE) << true << "TRACE" << int(QMessageBox::Warning);
    QTest::newRow("INFO without box") << int(INFO) << false << "INFO" << -1;
    QTest::newRow("ERROR without box") << int(ERROR) << false << "ERROR" << -1;
}

void tst_log::notify()
{
    QFETCH(int, level);
    QFETCH(bool, show_box);
    QFETCH(QString, tag);
    QFETCH(int, icon);

    Box_closer closer;
    Show_watch watch;
    const QString log_text = QStringLiteral("в журнал");
    Window_probe::notify(*window, LogLevel(level), log_text, QStringLiteral("Заголовок"),
                         QStringLiteral("Текст\nдля окна"), show_box);

    const QStringList expected_log{tag + QLatin1Char(' ') + log_text};
    QCOMPARE(Test_env::log_lines(), expected_log);
    if (!show_box) {
        QCOMPARE(closer.boxes.size(), 0);
        return;
    }

    QCOMPARE(closer.boxes.size(), 1);
    const Box_closer::Box &box = closer.boxes.first();
    QCOMPARE(box.class_name, QStringLiteral("QMessageBox"));
    QCOMPARE(box.title, QStringLiteral("Заголовок"));
    QCOMPARE(box.text, QStringLiteral("Текст\nдля окна"));
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.buttons, int(QMessageBox::Ok));
    QCOMPARE(box.default_button, int(QMessageBox::Ok));
    QVERIFY(!box.has_parent);
    // The line is on disk before the user sees the box.
    QCOMPARE(watch.log_at_show.size(), 1);
    QCOMPARE(watch.log_at_show.first(), expected_log);
}

QTEST_MAIN(tst_log)
#include "tst_log.moc"
