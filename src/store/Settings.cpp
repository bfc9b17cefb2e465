#include "store/Settings.h"

#include "common/ProductInfo.h"
#include "store/IniFile.h"
#include "store/IniValue.h"

namespace {

const QString kMain = QStringLiteral("Main");
const QString kOptions = QStringLiteral("Options");

// Calls visit(section, key, member) for every key, in the order of the file.
template <typename S, typename V>
void forEachKey(S& s, V&& visit)
{
    visit(kMain, QStringLiteral("FindThat"), s.findThat);
    visit(kMain, QStringLiteral("FindReplaceThat"), s.findReplaceThat);
    visit(kMain, QStringLiteral("ShowAdv"), s.showAdv);
    visit(kMain, QStringLiteral("LastProject"), s.lastProject);
    visit(kMain, QStringLiteral("LastProjectName"), s.lastProjectName);
    visit(kMain, QStringLiteral("LastExportFN"), s.lastExportFN);
    const auto placement = [&](const QString& prefix, auto& p) {
        visit(kMain, prefix + QLatin1Char('X'), p.x);
        visit(kMain, prefix + QLatin1Char('Y'), p.y);
        visit(kMain, prefix + QLatin1Char('W'), p.w);
        visit(kMain, prefix + QLatin1Char('H'), p.h);
        visit(kMain, prefix + QStringLiteral("Pos"), p.pos);
    };
    placement(QStringLiteral("EForm1"), s.eForm1);
    placement(QStringLiteral("Form4"), s.form4);
    placement(QStringLiteral("Form5"), s.form5);
    visit(kMain, QStringLiteral("LT"), s.lt);
    visit(kMain, QStringLiteral("OpenIn"), s.openIn);
    visit(kMain, QStringLiteral("AutoSave"), s.autoSave);
    visit(kMain, QStringLiteral("CreateBackup"), s.createBackup);
    visit(kMain, QStringLiteral("SaveLog"), s.saveLog);
    visit(kMain, QStringLiteral("SavePassword"), s.savePassword);
    visit(kMain, QStringLiteral("Templates"), s.templates);
    visit(kMain, QStringLiteral("UseTemplate"), s.useTemplate);
    visit(kMain, QStringLiteral("MFWidth"), s.mfWidth);
    visit(kMain, QStringLiteral("MFHeight"), s.mfHeight);
    visit(kMain, QStringLiteral("MFLeft"), s.mfLeft);
    visit(kMain, QStringLiteral("MFTop"), s.mfTop);
    visit(kMain, QStringLiteral("MFPos"), s.mfPos);

    visit(kOptions, QStringLiteral("22"), s.interfaceLanguage);
    for (int i = 0; i < 10; ++i)
        visit(kOptions, QStringLiteral("s%1").arg(i), s.searchHistory[i]);
    visit(kOptions, QStringLiteral("pMonoStereo"), s.pMonoStereo);
    visit(kOptions, QStringLiteral("pVolMic"), s.pVolMic);
    visit(kOptions, QStringLiteral("EncoderBitrate"), s.encoderBitrate);
    visit(kOptions, QStringLiteral("EncoderSamples"), s.encoderSamples);
    visit(kOptions, QStringLiteral("Encoder"), s.encoder);
    visit(kOptions, QStringLiteral("RecDevice"), s.recDevice);
    visit(kOptions, QStringLiteral("RecLine"), s.recLine);
    visit(kOptions, QStringLiteral("BufPar1"), s.bufPar1);
    visit(kOptions, QStringLiteral("BufPar2"), s.bufPar2);
    visit(kOptions, QStringLiteral("BufPar3"), s.bufPar3);
    visit(kOptions, QStringLiteral("TempDir"), s.tempDir);
    visit(kOptions, QStringLiteral("UndoRedo"), s.undoRedo);
    visit(kOptions, QStringLiteral("DefTrack"), s.defTrack);
    visit(kOptions, QStringLiteral("DefTitle"), s.defTitle);
    visit(kOptions, QStringLiteral("DefArtist"), s.defArtist);
    visit(kOptions, QStringLiteral("DefAlbum"), s.defAlbum);
    visit(kOptions, QStringLiteral("DefYear"), s.defYear);
    visit(kOptions, QStringLiteral("DefComment"), s.defComment);
}

struct Reader {
    const IniFile& ini;
    void operator()(const QString& section, const QString& key, QString& v) const
    {
        v = ini.value(section, key);
    }
    void operator()(const QString& section, const QString& key, bool& v) const
    {
        v = ini_value::toFlag(ini.value(section, key));
    }
    void operator()(const QString& section, const QString& key, double& v) const
    {
        v = ini_value::leadingNumber(ini.value(section, key));
    }
    template <typename T>
    void operator()(const QString& section, const QString& key, T& v) const
    {
        v = ini_value::toInt<T>(ini.value(section, key));
    }
};

struct Writer {
    IniFile& ini;
    void operator()(const QString& section, const QString& key, const QString& v) const
    {
        ini.setValue(section, key, v);
    }
    void operator()(const QString& section, const QString& key, bool v) const
    {
        ini.setValue(section, key, ini_value::fromFlag(v));
    }
    void operator()(const QString& section, const QString& key, double v) const
    {
        ini.setValue(section, key, ini_value::fromNumber(v));
    }
    template <typename T>
    void operator()(const QString& section, const QString& key, T v) const
    {
        ini.setValue(section, key, QString::number(v));
    }
};

} // namespace

void Settings::setDefaults(const QString& programFolder, const QSize& screenTwips)
{
    *this = Settings();
    const int halfWidth = screenTwips.width() / 2;
    const int halfHeight = screenTwips.height() / 2;
    const WindowPlacement centred{static_cast<qint16>(halfWidth - 4957),
                                  static_cast<qint16>(halfHeight - 3757), 9915, 7515, 0};
    lastProjectName = QStringLiteral("Untitled");
    lastExportFN = programFolder + QStringLiteral("/Untitled.html");
    eForm1 = form4 = form5 = centred;
    autoSave = true;
    createBackup = true;
    savePassword = true;
    mfWidth = 10990;
    mfHeight = 8730;
    mfLeft = (screenTwips.width() - 10990) / 2;
    mfTop = (screenTwips.height() - 8730) / 2;

    pMonoStereo = 1;
    pVolMic = 65535;
    encoderBitrate = 64;
    encoderSamples = 44100;
    encoder = 1;
    recDevice = -1;
    recLine = -1;
    bufPar1 = 500;
    bufPar2 = 4;
    bufPar3 = 50;
    tempDir = programFolder + QStringLiteral("/Temp/");
    undoRedo = 1000;
    defTrack = QStringLiteral("0");
    defTitle = QStringLiteral("Untitled");
    defYear = QStringLiteral("2008");
    defComment = QStringLiteral("Created with %1 (%2)")
                     .arg(QLatin1String(product::kName), QLatin1String(product::kHomepage));
}

bool Settings::load(const QString& path)
{
    IniFile ini;
    if (ini.load(path) != IniFile::LoadResult::Loaded)
        return false;
    readFrom(ini);
    return true;
}

void Settings::readFrom(const IniFile& ini)
{
    forEachKey(*this, Reader{ini});
}

void Settings::writeTo(IniFile& ini) const
{
    forEachKey(*this, Writer{ini});
}

bool Settings::save(const QString& path, QString* error) const
{
    IniFile ini;
    if (ini.load(path, error) == IniFile::LoadResult::Unreadable)
        return false; // rewriting it would lose the lines that could not be read
    writeTo(ini);
    return ini.save(path, error);
}
