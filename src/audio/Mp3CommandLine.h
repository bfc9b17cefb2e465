#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The command line of the external MP3 encoder that the recorder feeds with a WAV stream on its
// standard input.
struct Mp3CommandLine {
    QString program;        // the lame program
    QStringList arguments;  // -h -ms -b64 -s44.1 - <output>
    QString outputFile;

    // The whole line as one text: the program, the switches and the quoted output file.
    QString text() const;

    // stereo: -ms, else -mm; bitrate in kbit/s; the rate in Hz is written in kHz in its shortest
    // form with the locale's decimal separator. The output is <home>/Temp/currenttrack.mp3.
    static Mp3CommandLine make(const QString& homeFolder, bool stereo, int bitrateKbps, int sampleRate,
                               const QLocale& locale = QLocale::system());
    // "lame" beside the running program when there, else the one found on PATH; empty if none.
    static QString findEncoder(const QString& programFolder);
};
