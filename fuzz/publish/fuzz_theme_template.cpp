#include "publish/ThemeTemplate.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A theme template from the input, filled with values cut from the input too (values that
// look like placeholders and markers included), with zero to three items.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = ThemeTemplate::fromFileContents(bytes);
    const QStringList parts = text.split(QLatin1Char('|'));
    const auto part = [&](int i) { return parts.value(i % parts.size()); };

    ThemePageValues values;
    values.feedTitle = part(1);
    values.feedDescription = part(2);
    values.imageSrc = part(3);
    values.hasImage = size % 2 == 0;
    const int items = static_cast<int>(size % 4);
    for (int i = 0; i < items; ++i) {
        ThemeItemValues item;
        item.title = part(4 + i);
        item.description = part(5 + i);
        item.enclosure = i % 2 ? QString() : part(6 + i);
        values.items.append(item);
    }
    const QString page = ThemeTemplate(text).fill(values);
    // Text without a percent sign has nothing to fill.
    if (!text.contains(QLatin1Char('%')) && page != text)
        std::abort();
    return 0;
}
