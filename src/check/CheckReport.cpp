#include "check/CheckReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace checkreport {
namespace {

int count(const Findings& findings, Severity severity)
{
    int n = 0;
    for (const Finding& f : findings)
        n += f.severity == severity ? 1 : 0;
    return n;
}

QString plural(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

QString counts(const Findings& findings)
{
    return QStringLiteral("%1, %2, %3")
        .arg(plural(count(findings, Severity::Error), "error", "errors"),
             plural(count(findings, Severity::Warning), "warning", "warnings"),
             plural(count(findings, Severity::Advice), "advice", "advice"));
}

QString text(const Findings& findings, const QString& file)
{
    QString out;
    for (const Finding& f : findings) {
        out += file;
        if (f.line > 0)
            out += QStringLiteral(":%1:%2").arg(f.line).arg(f.column);
        out += QStringLiteral(": %1: %2 [%3]\n").arg(severityName(f.severity), f.message, f.rule);
    }
    out += counts(findings) + QLatin1Char('\n');
    return out;
}

QByteArray json(const Findings& findings)
{
    QJsonArray list;
    for (const Finding& f : findings) {
        QJsonObject o;
        o.insert(QLatin1String("rule"), f.rule);
        o.insert(QLatin1String("severity"), severityName(f.severity));
        o.insert(QLatin1String("message"), f.message);
        o.insert(QLatin1String("line"), f.line);
        o.insert(QLatin1String("column"), f.column);
        o.insert(QLatin1String("item"), f.item > 0 ? QJsonValue(f.item) : QJsonValue());
        o.insert(QLatin1String("element"), f.element.isEmpty() ? QJsonValue() : QJsonValue(f.element));
        list.append(o);
    }
    QJsonObject root;
    root.insert(QLatin1String("findings"), list);
    root.insert(QLatin1String("errors"), count(findings, Severity::Error));
    root.insert(QLatin1String("warnings"), count(findings, Severity::Warning));
    root.insert(QLatin1String("advice"), count(findings, Severity::Advice));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace checkreport
