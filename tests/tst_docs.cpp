#include "command_line.h"
#include "commands.h"
#include "outcome.h"

#include "sim/console_verbs.h"
#include "sim/fault.h"
#include "sim/options.h"

#include "protocol/param_data.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

const char sim_guide[] = "docs/simulator.md";
const char sim_page[] = "docs/orb-module-sim.1";
const char orbctl_page[] = "docs/orbctl.1";

// "-p" and "--port" for each option, as the pages spell them.
QStringList spelled(const QList<QCommandLineOption> &options)
{
    QStringList names;
    for (const QCommandLineOption &option : options) {
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    }
    return names;
}

void add_rows(const QStringList &docs, const char *kind, const QStringList &names)
{
    for (const QString &doc : docs) {
        for (const QString &name : names)
            QTest::newRow(qPrintable(QStringLiteral("%1: %2 %3").arg(doc, kind, name)))
                << doc << name;
    }
}

QString read_doc(const QString &doc)
{
    QFile file(QStringLiteral(ORB_SOURCE_DIR "/") + doc);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll());
}

// Where a name counts as named: Markdown sets it as code (`name ...`), a manual page in bold
// (\fBname, or on a .B, .BR, .RB, .BI or .IB line). A word in running text does not count, so
// that "reset the clock" does not stand for the verb reset.
bool names(const QString &doc, const QString &text, const QString &name)
{
    const QString word = QRegularExpression::escape(name) + QStringLiteral("(?![\\w-])");
    if (doc.endsWith(QLatin1String(".md")))
        return text.contains(QRegularExpression(QStringLiteral("`") + word));
    QString roff = text;
    roff.replace(QLatin1String("\\-"), QLatin1String("-"));
    const QRegularExpression bold(
        QStringLiteral("\\\\fB%1|^\\.(B|BR|RB|BI|IB) .*(?<![\\w-])%1").arg(word),
        QRegularExpression::MultilineOption);
    return roff.contains(bold);
}

} // namespace

// The simulator's page and the manual pages name every fault, console verb, command and option
// the code's own tables hold, so a new one cannot ship without its line; the lists a page or a
// script writes out hold what the code's table holds, no more.
class tst_docs : public QObject
{
    Q_OBJECT

private slots:
    void named_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("name");

        const QStringList sim_docs{sim_guide, sim_page};
        QStringList verbs, commands_named;
        for (const sim::Console_verb &v : sim::console_verbs())
            verbs << v.verb;
        for (const Command &c : commands())
            commands_named << c.name;
        add_rows(sim_docs, "fault", sim::fault_names());
        add_rows(sim_docs, "console verb", verbs);
        add_rows(sim_docs, "option", spelled(sim::options()));
        add_rows({orbctl_page}, "command", commands_named);
        add_rows({orbctl_page}, "option", spelled(orbctl_options()));
    }

    void named()
    {
        QFETCH(QString, doc);
        QFETCH(QString, name);
        const QString text = read_doc(doc);
        QVERIFY2(!text.isEmpty(), qPrintable(doc + QStringLiteral(" cannot be read")));
        QVERIFY2(names(doc, text, name),
                 qPrintable(doc + QStringLiteral(" does not name ") + name));
    }

    void listed_data()
    {
        QTest::addColumn<QString>("doc");
        QTest::addColumn<QString>("from"); // the list starts after this and ends at `to`
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("item"); // captures one entry
        QTest::addColumn<QStringList>("expected");
        QStringList codes, seconds;
        for (const Exit_status &s : exit_statuses())
            codes << QString::number(s.code);
        for (const orb::Param_field &f : orb::param_fields) {
            if (f.seconds)
                seconds << QLatin1String(f.name);
        }
        // The sanitizer options: CMakeLists.txt holds them; the script runs the soak with what the
        // build wrote out.
        // clang-format off
        QTest::newRow("orbctl.1: exit statuses") << orbctl_page << "^\\.SH EXIT STATUS$" << "^\\.SH " << "^\\.B (\\d+)$" << codes;
        QTest::newRow("orbctl.1: fields in seconds") << orbctl_page << "The fields in seconds\n" << "$" << "\\b([a-z]\\w+)" << seconds;
        QTest::newRow("scripts/test: sanitizer options") << "scripts/test" << "^" << "\\z" << "\\b(\\w+SAN_OPTIONS)\\b" << QStringList();
        // clang-format on
    }

    // Lines, not the whole text: a list is a section of a page.
    void listed()
    {
        QFETCH(QString, doc);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, item);
        QFETCH(QStringList, expected);
        const auto lines = [](const QString &pattern) {
            return QRegularExpression(pattern, QRegularExpression::MultilineOption);
        };
        const QString text = read_doc(doc);
        const QRegularExpressionMatch start = lines(from).match(text);
        QVERIFY2(start.hasMatch(), qPrintable(doc + QStringLiteral(" has no ") + from));
        const int end = text.indexOf(lines(to), start.capturedEnd());
        const QString list = text.mid(start.capturedEnd(), end - start.capturedEnd());
        QStringList found;
        for (auto it = lines(item).globalMatch(list); it.hasNext();)
            found << it.next().captured(1);
        QCOMPARE(found, expected);
    }
};

QTEST_APPLESS_MAIN(tst_docs)
#include "tst_docs.moc"
