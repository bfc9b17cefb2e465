#pragma once

#include <QString>
#include <QStringList>

#include <span>

// Apple Podcasts' category list: the only texts Apple accepts in itunes:category, spelled and
// capitalised exactly as here. Used by the "Directories" tab and the feed check.
namespace applecategories {

struct Category {
    const char* name;
    QStringList subcategories; // may be empty
};

// The top-level categories in Apple's order.
std::span<const Category> all();
// The entry named exactly `name`, or nullptr.
const Category* find(const QString& name);
bool isSubcategory(const QString& category, const QString& subcategory);

} // namespace applecategories
