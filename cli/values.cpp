#include "values.h"

#include "protocol/convert.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// Digits beyond this cannot be a field value; stopping here keeps the arithmetic in range.
constexpr int max_digits = 12;

// Seconds of "2h30m" and the like: h, m, s in that order, each at most once.
bool duration_seconds(const QString &text, quint64 *out)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:(\\d{1,12})h)?(?:(\\d{1,12})m)?(?:(\\d{1,12})s)?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (text.isEmpty() || !m.hasMatch())
        return false;
    *out = m.captured(1).toULongLong() * 3600 + m.captured(2).toULongLong() * 60 +
           m.captured(3).toULongLong();
    return true;
}

} // namespace

QString json_string(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

bool parse_field_value(int field, const QString &text, quint32 *out, QString *why)
{
    const orb::Param_field &f = orb::param_fields[field];
    const QString name = QLatin1String(f.name);
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    static const QRegularExpression fraction(QStringLiteral("^-?\\d*[.,]\\d*[hms]?$"));
    quint64 value = 0;
    bool too_big = false;
    if (digits.match(text).hasMatch()) {
        too_big = text.size() > max_digits;
        value = text.toULongLong();
    } else if (f.seconds && duration_seconds(text, &value)) {
    } else if (text.startsWith(QLatin1Char('-'))) {
        *why = QStringLiteral("%1: %2 is negative").arg(name, text);
        return false;
    } else if (fraction.match(text).hasMatch() && text.size() > 1) {
        *why = QStringLiteral("%1: %2 is not a whole number").arg(name, text);
        return false;
    } else {
        *why = f.seconds ? QStringLiteral("%1: %2 is neither a number of seconds nor a duration "
                                          "like 90s, 15m, 2h30m")
                               .arg(name, text)
                         : QStringLiteral("%1: %2 is not a number").arg(name, text);
        return false;
    }
    if (too_big || value > f.max()) {
        *why =
            QStringLiteral("%1: %2 does not fit, the largest is %3").arg(name, text).arg(f.max());
        if (f.seconds)
            *why += QStringLiteral(" (%1)").arg(duration_text(f.max()));
        return false;
    }
    *out = quint32(value);
    return true;
}

bool parse_assignment(const QString &text, Assignment *out, QString *why)
{
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq < 0) {
        *why = QStringLiteral("%1: NAME=VALUE wanted").arg(text);
        return false;
    }
    const QString name = text.left(eq).trimmed();
    const int field = orb::param_field_index(name);
    if (field < 0) {
        *why = QStringLiteral("unknown field %1").arg(name);
        return false;
    }
    out->field = field;
    return parse_field_value(field, text.mid(eq + 1).trimmed(), &out->value, why);
}

namespace {

bool parse_json(const QByteArray &bytes, QVector<Assignment> *out, QString *why)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        *why = QStringLiteral("malformed JSON at offset %1: %2")
                   .arg(error.offset)
                   .arg(error.errorString());
        return false;
    }
    if (!doc.isObject() || !doc.object().value(QStringLiteral("parameters")).isObject()) {
        *why = QStringLiteral("JSON wanted as read --json writes it: "
                              "{\"address\": N, \"parameters\": {...}}");
        return false;
    }
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (it.key() != QLatin1String("address") && it.key() != QLatin1String("parameters")) {
            *why = QStringLiteral("unknown key %1").arg(it.key());
            return false;
        }
    }
    const QJsonObject params = root.value(QStringLiteral("parameters")).toObject();
    for (auto it = params.begin(); it != params.end(); ++it) {
        Assignment a;
        a.field = orb::param_field_index(it.key());
        if (a.field < 0) {
            *why = QStringLiteral("unknown field %1").arg(it.key());
            return false;
        }
        QString text;
        if (it.value().isString()) {
            text = it.value().toString();
        } else if (it.value().isDouble()) {
            // Whole numbers are written out exactly; anything else keeps its fraction, to be
            // refused by the field's own check.
            const double d = it.value().toDouble();
            text = qAbs(d) < 1e18 && d == double(qint64(d)) ? QString::number(qint64(d))
                                                            : QString::number(d, 'g', 17);
        } else {
            *why = QStringLiteral("%1: a number wanted").arg(it.key());
            return false;
        }
        if (!parse_field_value(a.field, text, &a.value, why))
            return false;
        out->append(a);
    }
    return true;
}

} // namespace

bool parse_param_file(const QByteArray &bytes, QVector<Assignment> *out, QString *why)
{
    if (bytes.trimmed().startsWith('{'))
        return parse_json(bytes, out, why);
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        Assignment a;
        if (!parse_assignment(line, &a, why)) {
            *why = QStringLiteral("line %1: %2").arg(i + 1).arg(*why);
            return false;
        }
        out->append(a);
    }
    return true;
}

bool parse_count(const QString &text, qint64 max, qint64 *out)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,12}$"));
    if (!digits.match(text).hasMatch() || text.toLongLong() > max)
        return false;
    *out = text.toLongLong();
    return true;
}

QString duration_text(quint64 seconds)
{
    QString out;
    if (seconds >= 3600)
        out += QStringLiteral("%1h").arg(seconds / 3600);
    if (seconds % 3600 >= 60)
        out += QStringLiteral("%1m").arg(seconds % 3600 / 60);
    if (seconds % 60 != 0 || out.isEmpty())
        out += QStringLiteral("%1s").arg(seconds % 60);
    return out;
}

QString params_text(const orb::Param_data &data)
{
    QString out;
    for (int i = 0; i < orb::param_field_count; ++i)
        out += QStringLiteral("%1=%2\n")
                   .arg(QLatin1String(orb::param_fields[i].name))
                   .arg(data.value(i));
    return out;
}

QString params_json(int address, const orb::Param_data &data)
{
    // Written by hand to keep the record's order, which QJsonObject would sort away.
    QString out = QStringLiteral("{\n    \"address\": %1,\n    \"parameters\": {\n").arg(address);
    for (int i = 0; i < orb::param_field_count; ++i) {
        out += QStringLiteral("        \"%1\": %2%3\n")
                   .arg(QLatin1String(orb::param_fields[i].name))
                   .arg(data.value(i))
                   .arg(i + 1 < orb::param_field_count ? QStringLiteral(",") : QString());
    }
    return out + QStringLiteral("    }\n}\n");
}

QString status_json(int address, const orb::Status_data &s)
{
    QString out = QStringLiteral("{\"address\": %1").arg(address);
    for (const orb::Status_field &f : orb::status_fields) {
        out += QStringLiteral(", \"%1\": %2").arg(QLatin1String(f.name)).arg(f.member.number(s));
        // The state's code is followed by its text.
        if (QLatin1String(f.name) == QLatin1String("state"))
            out += QStringLiteral(", \"state_text\": ") + json_string(orb::state_text(s.state));
    }
    return out + QStringLiteral("}\n");
}
