// The INI reader on arbitrary bytes: no crash, no unbounded allocation, and the document it
// writes reads back the same.
#include "store/IniFile.h"
#include "store/LanguageTable.h"
#include "store/ProjectList.h"
#include "store/Settings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void checkAt(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_ini: check on line %d failed\n", line);
        std::abort();
    }
}
#define check(condition) checkAt((condition), __LINE__)

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    IniFile ini = IniFile::fromBytes(bytes);

    const QByteArray written = ini.toBytes();
    const IniFile reread = IniFile::fromBytes(written);
    check(reread.toBytes() == written);
    check(reread.sectionCount() == ini.sectionCount());

    Settings settings;
    settings.readFrom(ini);
    ProjectList projects;
    projects.readFrom(ini, true);
    LanguageTable languages;
    languages.parse(bytes);

    // A written value reads back with its line breaks as blanks, and adds no section.
    const QString value = QString::fromUtf8(bytes.left(300));
    const int sections = ini.sectionCount() + (ini.hasSection(QStringLiteral("Main")) ? 0 : 1);
    ini.setValue(QStringLiteral("Main"), QStringLiteral("Key"), value);
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    check(back.sectionCount() == sections);
    const QString read = back.value(QStringLiteral("MAIN"), QStringLiteral("key"));
    check(read == ini.value(QStringLiteral("main"), QStringLiteral("KEY")));
    check(!read.contains(QLatin1Char('\n')) && !read.contains(QLatin1Char('\r')));
    QString expected = value;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    while (expected.startsWith(QLatin1Char(' ')) || expected.startsWith(QLatin1Char('\t')))
        expected.remove(0, 1);
    while (expected.endsWith(QLatin1Char(' ')) || expected.endsWith(QLatin1Char('\t')))
        expected.chop(1);
    check(read == expected);
    return 0;
}
