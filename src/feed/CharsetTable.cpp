#include "feed/CharsetTable.h"

namespace charsets {

const std::array<CharsetEntry, kCount>& table()
{
    static const std::array<CharsetEntry, kCount> entries = {{
        {"Arabic (IBM-864)", "IBM864"},
        {"Arabic (ISO-8859-6)", "ISO-8859-6"},
        {"Arabic (Windows-1256)", "Windows-1256"},
        {"Armenian (ARMSCII-8)", "armscii-8"},
        {"Baltic (ISO-8859-13)", "ISO-8859-13"},
        {"Baltic (ISO-8859-4)", "ISO-8859-4"},
        {"Baltic (Windows-1257)", "Windows-1257"},
        {"Celtic (ISO-8859-14)", "ISO-8859-14"},
        {"Central European (IBM-852)", "IBM852"},
        {"Central European (ISO-8859-2)", "ISO-8859-2"},
        {"Central European (Windows-1250)", "Windows-1250"},
        {"Chinese Simplified (GB18030)", "GB18030"},
        {"Chinese Simplified (GB2312)", "GB2312"},
        {"Chinese Simplified (GBK)", "x-gbk"},
        {"Chinese Simplified (HZ)", "HZ-GB-2312"},
        {"Chinese Simplified (ISO-2922-CN)", "ISO-2922-CN"},
        {"Chinese Traditional (Big5)", "Big5"},
        {"Chinese Traditional (Big5-HKSCS)", "Big5-HKSCS"},
        {"Chinese Traditional (EUC-TW)", "x-euc-tw"},
        {"Cyrillic (IBM-855)", "IBM855"},
        {"Cyrillic (ISO-8859-5)", "ISO-8859-5"},
        {"Cyrillic (ISO-IR-111)", "ISO-IR-111"},
        {"Cyrillic (KOI8-R)", "KOI8-R"},
        {"Cyrillic (Windows-1251)", "Windows-1251"},
        {"Cyrillic/Russian (CP-866)", "IBM866"},
        {"Cyrillic/Ukrainian (KOI8-U)", "KOI8-U"},
        {"Greek (ISO-8859-7)", "ISO-8859-7"},
        {"Greek (Windows-1253)", "Windows-1253"},
        {"Hebrew (IBM-862)", "IBM862"},
        {"Hebrew (ISO-8859-8)", "ISO-8859-8"},
        {"Hebrew (Windows-1255)", "Windows-1255"},
        {"Japanese (EUC-JP)", "EUC-JP"},
        {"Japanese (ISO-2022-JP)", "ISO-2022-JP"},
        {"Japanese (Shift_JIS)", "Shift_JIS"},
        {"Korean (EUC-KR)", "EUC-KR"},
        {"Korean (ISO-2022-KR)", "ISO-2022-KR"},
        {"Korean (JOHAB)", "x-johab"},
        {"Korean (UHC)", "x-windows-949"},
        {"Nordic (ISO-8859-10)", "ISO-8859-10"},
        {"Romanian (ISO-8859-16)", "ISO-8859-16"},
        {"South European (ISO-8859-3)", "ISO-8859-3"},
        {"Thai (ISO-8859-11)", "ISO-8859-11"},
        {"Thai (TIS-620)", "TIS-620"},
        {"Thai (Windows-874)", "Windows-874"},
        {"Turkish (IBM-857)", "IBM857"},
        {"Turkish (ISO-8859-9)", "ISO-8859-9"},
        {"Turkish (Windows-1254)", "Windows-1254"},
        {"Unicode (UTF-32)", "UTF-32"},
        {"Unicode (UTF-16)", "UTF-16"},
        {"Unicode (UTF-8)", "UTF-8"},
        {"Unicode (UTF-7)", "UTF-7"},
        {"Western (ISO-8859-1)", "ISO-8859-1"},
        {"Western (ISO-8859-15)", "ISO-8859-15"},
        {"Western (Windows-1252)", "Windows-1252"},
    }};
    return entries;
}

QString charsetName(int index)
{
    if (index < 0 || index >= kCount)
        index = kDefaultIndex;
    return QString::fromLatin1(table()[index].charsetName);
}

int indexOfCharset(const QString& name)
{
    for (int i = 0; i < kCount; ++i)
        if (name.compare(QLatin1String(table()[i].charsetName), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace charsets
