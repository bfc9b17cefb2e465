#pragma once

#include <QByteArrayView>

// The named character references of HTML 4 (&nbsp;, &eacute;, &mdash; ...), which real feeds
// use without declaring them. The five of XML itself are not listed.
namespace htmlentities {

// The character a name stands for (without "&" and ";", case-sensitive); 0 when unknown.
char32_t lookup(QByteArrayView name);

} // namespace htmlentities
