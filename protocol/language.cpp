#include "language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace orb {

namespace {

QString current = QStringLiteral("ru");
QTranslator *installed = nullptr;

} // namespace

QString asked_language(const QStringList &arguments)
{
    const QString option = QStringLiteral("--lang");
    QString asked;
    bool given = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == option && i + 1 < arguments.size()) {
            asked = arguments.at(++i);
            given = true;
        } else if (a.startsWith(option + QLatin1Char('='))) {
            asked = a.mid(option.size() + 1);
            given = true;
        }
    }
    return given ? asked : qEnvironmentVariable("ORB_LANG");
}

bool use_language(const QString &language, QString *why)
{
    const QString lang = language.trimmed().toLower();
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    current = QStringLiteral("ru");
    if (lang.isEmpty() || lang.section(QLatin1Char('_'), 0, 0) == current)
        return true;
    // The translations are compiled in, one per language and named after it ("en_US" finds
    // "en"); Russian, the texts' own language, has none.
    auto *translator = new QTranslator;
    if (lang.contains(QLatin1Char('/')) ||
        !translator->load(QStringLiteral(":/i18n/orb-ptz-washing_%1.qm").arg(lang))) {
        delete translator;
        *why = QStringLiteral("no translation for language \"%1\": the texts stay Russian "
                              "(languages: en, ru)")
                   .arg(language);
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    current = lang.left(2);
    return true;
}

QString text_for(Reader reader, const char *context, const char *source)
{
    return reader == Reader::user ? QCoreApplication::translate(context, source)
                                  : QString::fromUtf8(source);
}

QString language_on()
{
    return current;
}

} // namespace orb
