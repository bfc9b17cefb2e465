#include "support/MediaTools.h"

#include <QProcess>
#include <QRegularExpression>

#include <cmath>

namespace mediatools {

bool run(const QString& program, const QStringList& args, int* exitCode, QByteArray* out, QByteArray* err,
         int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted() || !p.waitForFinished(timeoutMs))
        return false;
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    if (exitCode)
        *exitCode = p.exitCode();
    return p.exitStatus() == QProcess::NormalExit;
}

bool ffmpeg(const QStringList& args, QString* error)
{
    int code = -1;
    QByteArray err;
    const bool ran = run(QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-v", "error", "-y"} + args, &code,
                         nullptr, &err);
    if (error)
        *error = QString::fromUtf8(err);
    return ran && code == 0;
}

bool generate(const QString& out, const QString& exprs, int rate, double seconds, const QStringList& outputArgs)
{
    return ffmpeg(QStringList{"-f", "lavfi", "-i",
                              QStringLiteral("aevalsrc=exprs='%1':s=%2:d=%3").arg(exprs).arg(rate).arg(seconds)}
                  + outputArgs + QStringList{out});
}

Loudness ffmpegLoudness(const QString& path)
{
    Loudness r;
    int code = -1;
    QByteArray out, err;
    if (!run(QStringLiteral("ffmpeg"),
             {"-nostdin", "-v", "error", "-i", path, "-af", "ebur128=peak=true:metadata=1,ametadata=print:file=-",
              "-f", "null", "-"},
             &code, &out, &err)
        || code != 0) {
        r.error = QString::fromUtf8(err);
        return r;
    }
    const QString text = QString::fromUtf8(out);
    const auto last = [&](const QString& key, double* value) {
        const QRegularExpression re(QStringLiteral("^lavfi\\.r128\\.%1=(\\S+)$").arg(QRegularExpression::escape(key)),
                                    QRegularExpression::MultilineOption);
        QString found;
        for (auto it = re.globalMatch(text); it.hasNext();)
            found = it.next().captured(1);
        bool ok = false;
        *value = found.toDouble(&ok);
        return ok;
    };
    double peak = 0;
    r.ok = last(QStringLiteral("I"), &r.integrated) && last(QStringLiteral("LRA"), &r.range)
           && last(QStringLiteral("true_peak"), &peak);
    r.truePeak = peak > 0 ? 20.0 * std::log10(peak) : -INFINITY;
    if (!r.ok)
        r.error = QStringLiteral("no loudness in ffmpeg's output");
    return r;
}

} // namespace mediatools
