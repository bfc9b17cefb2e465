#include "common/ProductInfo.h"

namespace product {

QString versionLine()
{
    return QStringLiteral("%1 %2").arg(QLatin1String(kName), QLatin1String(kVersionString));
}

} // namespace product
