#include "box_closer.h"
#include "test_env.h"
#include "window_probe.h"

#include <QtTest>

class tst_log : public QObject
{
    Q_OBJECT
    Test_env env;
    MainWindow window;

private slots:
    void init() { Test_env::clear_log(); }
    void line_format_data();
    void line_format();
    void append_and_unwritable();
    void notify_data();
    void notify();
};

void tst_log::line_format_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("utf8"); // the text's bytes in the file, outside Windows
    QTest::newRow("info") << "Чтение" << QByteArray::fromHex("D0A7D182D0B5D0BDD0B8D0B5");
    QTest::newRow("debug") << "" << QByteArray();
    QTest::newRow("error") << "first\nsecond\n\nfourth" << QByteArray("first\nsecond\n\nfourth");
    QTest::newRow("trace") << "  padded  " << QByteArray("  padded  ");
}

void tst_log::line_format()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, utf8);
    const QString signal = QString::fromLatin1(QTest::currentDataTag());
    QVERIFY(QMetaObject::invokeMethod(&window, qPrintable(signal), Q_ARG(QString, text)));
    const QString line = Test_env::log_text();
    const auto when = QDateTime::fromString(line.left(19), QStringLiteral("dd-MM-yyyy hh:mm:ss"));
    // Day before month: the stamp must name the present, not merely parse.
    QVERIFY2(qAbs(when.secsTo(QDateTime::currentDateTime())) < 60, qPrintable(line));
    QCOMPARE(line.mid(19), ' ' + signal.toUpper() + ' ' + text + '\n');
    // The same bytes from a Qt 5 and a Qt 6 build, whatever the locale says.
#ifdef Q_OS_WIN
    utf8 = text.toLocal8Bit();
#endif
    QCOMPARE(Test_env::log_bytes().mid(19), ' ' + signal.toUpper().toLatin1() + ' ' + utf8 + '\n');
}

void tst_log::append_and_unwritable()
{
    QFile old(QStringLiteral("ORB_PTZ_Washing.log"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("written before\n") > 0);
    old.close();
    emit window.info(QStringLiteral("one"));
    emit window.debug(QStringLiteral("two"));
    QCOMPARE(Test_env::log_lines(), (QStringList{"written before", "INFO one", "DEBUG two"}));

    // A log that cannot be opened loses the line and nothing else; the next line tries again.
    QVERIFY(old.remove() && QDir().mkdir(old.fileName()));
    Box_closer closer;
    emit window.error(QStringLiteral("lost"));
    QVERIFY(QDir().rmdir(old.fileName()));
    emit window.trace(QStringLiteral("back"));
    QCOMPARE(Test_env::log_lines(), QStringList{"TRACE back"});
    QCOMPARE(closer.boxes.size(), 0);
}

void tst_log::notify_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("icon"); // -1: no box asked for
    // clang-format off
    QTest::newRow("INFO box") << int(INFO) << int(QMessageBox::Information);
    QTest::newRow("DEBUG box") << int(DEBUG) << int(QMessageBox::Warning);
    QTest::newRow("ERROR box") << int(ERROR) << int(QMessageBox::Question);
    QTest::newRow("TRACE box") << int(TRACE) << int(QMessageBox::Warning);
    QTest::newRow("INFO quiet") << int(INFO) << -1;
    QTest::newRow("ERROR quiet") << int(ERROR) << -1;
    // clang-format on
}

void tst_log::notify()
{
    QFETCH(int, level);
    QFETCH(int, icon);
    Box_closer closer;
    QStringList at_show; // taken inside the box's modal run: the line must come first
    QTimer::singleShot(0, &closer, [&] { at_show = Test_env::log_lines(); });
    Window_probe::notify(window, LogLevel(level), QStringLiteral("журнал"),
                         QStringLiteral("Заголовок"), QStringLiteral("Текст"), icon >= 0);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).section(' ', 0, 0);
    const QStringList line{tag + QStringLiteral(" журнал")};
    QCOMPARE(Test_env::log_lines(), line);
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

QTEST_MAIN(tst_log)
#include "tst_log.moc"
