#include "box_closer.h"
#include "sim_process.h"
#include "test_env.h"
#include "window_probe.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <clocale>
#endif

class tst_log : public QObject
{
    Q_OBJECT
    Test_env env;
    MainWindow window;

private slots:
    void init() { Test_env::clear_log(); }
    void encoding_data();
    void encoding();
    void shared_log_data();
    void shared_log();
    void append_and_unwritable_data();
    void append_and_unwritable();
    void notify_data();
    void notify();
};

void tst_log::encoding_data()
{
    QTest::addColumn<unsigned>("code_page");
    QTest::addColumn<bool>("ansi"); // false: UTF-8
    QTest::newRow("1251 Cyrillic") << 1251u << true;
    QTest::newRow("1252 Western") << 1252u << false;
    QTest::newRow("65001 UTF-8") << 65001u << false;
}

void tst_log::encoding()
{
    QFETCH(unsigned, code_page);
    QTEST(orb::log_encoding_for(code_page) == orb::Log_encoding::ansi_code_page, "ansi");
}

void tst_log::shared_log_data()
{
    QTest::addColumn<QByteArray>("lang");
    QTest::newRow("C") << QByteArray("C");
    QTest::newRow("ru_RU.KOI8-R") << QByteArray("ru_RU.KOI8-R");
    QTest::newRow("C.UTF-8") << QByteArray("C.UTF-8");
}

// The window (this suite run again as a child) and orbctl --log read the status from one
// simulator under one locale and append to one log: each line the two share has the same
// bytes, UTF-8 written out by the compiler here.
void tst_log::shared_log()
{
#ifdef Q_OS_UNIX
    QFETCH(QByteArray, lang);
    // A locale the system lacks falls back to C and would prove nothing.
    const QByteArray was = std::setlocale(LC_ALL, nullptr);
    const bool known = std::setlocale(LC_ALL, lang.constData()) != nullptr;
    std::setlocale(LC_ALL, was.constData());
    QVERIFY2(known, "locale missing: scripts/common.sh orb_locales generates it");
    Sim_process sim({"--no-pacing", "--init", "0"});
    QVERIFY(sim.is_running());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LC_MESSAGES"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
    const auto run = [&](const QString &program, const QStringList &args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        const bool done = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit;
        return done && p.exitCode() == 0;
    };
    QVERIFY(run(QCoreApplication::applicationFilePath(), {"--window-status", sim.path()}));
    QVERIFY(run(QStringLiteral(ORBCTL_PATH),
                {"-p", sim.path(), "--log", QLatin1String(orb::log_file_name), "status"}));
    QList<QByteArray> lines = Test_env::log_bytes().split('\n');
    for (QByteArray &line : lines)
        line.remove(0, 19);
    for (const char *shared :
         {" INFO Получение статуса УПУ", " DEBUG Длина пакета = 8",
          " DEBUG Отправляем :AABB010300001F84", " DEBUG state Пауза", " INFO OK"})
        QVERIFY2(lines.count(shared) == 2, shared);
#else
    QSKIP("the simulator serves a pseudo-terminal");
#endif
}

void tst_log::append_and_unwritable_data()
{
    QTest::addColumn<bool>("orbctl");
    QTest::newRow("window") << false;
#ifdef Q_OS_UNIX
    QTest::newRow("orbctl --log") << true;
#endif
}

// Lines are appended to what the log holds. One that cannot be written there (a folder stands
// in its place) goes with the rest to the user's data folder, and the tool says so once a run.
void tst_log::append_and_unwritable()
{
    QFETCH(bool, orbctl);
    const QString name = QLatin1String(orb::log_file_name);
    QFile kept(orb::fallback_log_folder() + '/' + name);
    const auto cleanup = qScopeGuard([&] { QDir().rmdir(name) && kept.remove(); });
    kept.remove();
    MainWindow w; // a log of its own: once moved, it stays moved
    Box_closer closer;
    QString said; // orbctl's stderr
    const auto write = [&] {
        if (orbctl) {
#ifdef ORBCTL_PATH
            QProcess p;
            p.start(QStringLiteral(ORBCTL_PATH), {"--log", name, "-p", "no-such-port", "test"});
            QVERIFY(p.waitForFinished(10000));
            said += QString::fromLocal8Bit(p.readAllStandardError());
#endif
        } else {
            emit w.info(QStringLiteral("one"));
            emit w.debug(QStringLiteral("two"));
        }
    };
    QFile old(name);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("written before\n") > 0);
    old.close();
    write();
    const QStringList written = Test_env::log_lines().mid(1);
    QVERIFY(!written.isEmpty() && Test_env::log_lines().first() == "written before");

    QVERIFY(old.remove() && QDir().mkdir(name));
    write();
    const QString folder = QDir::toNativeSeparators(orb::fallback_log_folder());
    QStringList moved = written;
    if (orbctl) {
        QCOMPARE(said.count(folder), 1);
    } else {
        QTRY_COMPARE(closer.boxes.size(), 1);
        QCOMPARE(closer.boxes[0].title, QStringLiteral("Ошибка"));
        QVERIFY2(closer.boxes[0].text.contains(folder), qPrintable(closer.boxes[0].text));
        moved << "ERROR " + closer.boxes[0].text;
    }
    write();
    QCOMPARE(orbctl ? said.count(folder) : closer.boxes.size(), orbctl ? 2 : 1);
    QVERIFY(kept.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(orb::log_entries(kept.readAll()), moved + written);
}

void tst_log::notify_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("utf8");   // the text's bytes in the file, outside Windows
    QTest::addColumn<QByteArray>("cp1251"); // on a Windows whose ANSI code page is 1251
    QTest::addColumn<int>("icon");          // -1: no box asked for
    // The row's first word is the level's tag. Bytes from Python's codecs ('utf-8', 'cp1251').
    const auto row = [](const char *name, LogLevel level, const QString &text, int icon,
                        const QByteArray &utf8, const QByteArray &cp1251) {
        QTest::newRow(name) << int(level) << text << utf8 << cp1251 << icon;
    };
    const auto ascii = [&](const char *name, LogLevel level, const char *text, int icon) {
        row(name, level, QLatin1String(text), icon, text, text);
    };
    row("INFO box", INFO, "Чтение", QMessageBox::Information,
        QByteArray::fromHex("D0A7D182D0B5D0BDD0B8D0B5"), QByteArray::fromHex("D7F2E5EDE8E5"));
    ascii("DEBUG box, empty", DEBUG, "", QMessageBox::Warning);
    ascii("ERROR box, lines", ERROR, "first\nsecond\n\nfourth", QMessageBox::Question);
    ascii("TRACE box, padded", TRACE, "  padded  ", QMessageBox::Warning);
    ascii("INFO quiet", INFO, "OK", -1);
    row("ERROR quiet, quoted", ERROR, "«Адрес PTZ» — 255", -1,
        QByteArray::fromHex("C2ABD090D0B4D180D0B5D1812050545AC2BB20E2809420323535"),
        QByteArray::fromHex("ABC0E4F0E5F12050545ABB209720323535"));
}

// The line goes to the log before the box shows: stamped with the present, the level's tag, the
// text as it is, in the same bytes from a Qt 5 and a Qt 6 build whatever the locale says; on
// Windows in the code page where it holds Cyrillic, UTF-8 where it does not.
void tst_log::notify()
{
    QFETCH(int, level);
    QFETCH(QString, text);
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, cp1251);
    QFETCH(int, icon);
    Box_closer closer;
    QByteArray at_show; // taken inside the box's modal run
    QTimer::singleShot(0, &closer, [&] { at_show = Test_env::log_bytes(); });
    Window_probe::notify(window, LogLevel(level), text, QStringLiteral("Заголовок"),
                         QStringLiteral("Текст"), icon >= 0);
    const QByteArray line = Test_env::log_bytes();
    const auto when = QDateTime::fromString(QString::fromLatin1(line.left(19)),
                                            QStringLiteral("dd-MM-yyyy hh:mm:ss"));
    // Day before month: the stamp must name the present, not merely parse.
    QVERIFY2(qAbs(when.secsTo(QDateTime::currentDateTime())) < 60, line.constData());
    const QByteArray tag = QByteArray(QTest::currentDataTag()).split(' ').first();
    const QByteArray bytes = orb::ansi_code_page() == 1251 ? cp1251 : utf8;
    QCOMPARE(line.mid(19), ' ' + tag + ' ' + bytes + '\n');
    QCOMPARE(closer.boxes.size(), int(icon >= 0));
    for (const Box_closer::Box &box : qAsConst(closer.boxes)) {
        QCOMPARE(at_show, line);
        QCOMPARE(box.title + '/' + box.text, QStringLiteral("Заголовок/Текст"));
        QCOMPARE(box.icon, icon);
        QCOMPARE(box.buttons, int(QMessageBox::Ok));
        QCOMPARE(box.default_button, int(QMessageBox::Ok));
        QVERIFY(!box.has_parent);
    }
}

// Run with --window-status PORT, the suite is the window reading the status once, into the
// log of its working directory, under the locale its parent gave it.
static int window_status(const QString &port)
{
    MainWindow window;
    Form ui(window);
    ui.cb_port->clear();
    ui.cb_port->addItem(port);
    ui.btn_connect->click();
    ui.sb_address_upu->setValue(1);
    Box_closer closer;
    window.findChild<QPushButton *>(QStringLiteral("btn_read_state"))->click();
    return closer.boxes.value(0).text == QLatin1String("OK") ? 0 : 1;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--window-status"))
        return window_status(app.arguments().value(2));
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_log test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_log.moc"
