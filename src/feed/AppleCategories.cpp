#include "feed/AppleCategories.h"

namespace applecategories {
namespace {

QStringList list(std::initializer_list<const char*> names)
{
    QStringList out;
    for (const char* n : names)
        out << QString::fromUtf8(n);
    return out;
}

const std::vector<Category>& table()
{
    static const std::vector<Category> t = {
        {"Arts", list({"Books", "Design", "Fashion & Beauty", "Food", "Performing Arts", "Visual Arts"})},
        {"Business", list({"Careers", "Entrepreneurship", "Investing", "Management", "Marketing", "Non-Profit"})},
        {"Comedy", list({"Comedy Interviews", "Improv", "Stand-Up"})},
        {"Education", list({"Courses", "How To", "Language Learning", "Self-Improvement"})},
        {"Fiction", list({"Comedy Fiction", "Drama", "Science Fiction"})},
        {"Government", {}},
        {"History", {}},
        {"Health & Fitness", list({"Alternative Health", "Fitness", "Medicine", "Mental Health", "Nutrition", "Sexuality"})},
        {"Kids & Family", list({"Education for Kids", "Parenting", "Pets & Animals", "Stories for Kids"})},
        {"Leisure", list({"Animation & Manga", "Automotive", "Aviation", "Crafts", "Games", "Hobbies",
                          "Home & Garden", "Video Games"})},
        {"Music", list({"Music Commentary", "Music History", "Music Interviews"})},
        {"News", list({"Business News", "Daily News", "Entertainment News", "News Commentary", "Politics",
                       "Sports News", "Tech News"})},
        {"Religion & Spirituality", list({"Buddhism", "Christianity", "Hinduism", "Islam", "Judaism", "Religion",
                                          "Spirituality"})},
        {"Science", list({"Astronomy", "Chemistry", "Earth Sciences", "Life Sciences", "Mathematics",
                          "Natural Sciences", "Nature", "Physics", "Social Sciences"})},
        {"Society & Culture", list({"Documentary", "Personal Journals", "Philosophy", "Places & Travel",
                                    "Relationships"})},
        {"Sports", list({"Baseball", "Basketball", "Cricket", "Fantasy Sports", "Football", "Golf", "Hockey",
                         "Rugby", "Running", "Soccer", "Swimming", "Tennis", "Volleyball", "Wilderness",
                         "Wrestling"})},
        {"Technology", {}},
        {"True Crime", {}},
        {"TV & Film", list({"After Shows", "Film History", "Film Interviews", "Film Reviews", "TV Reviews"})},
    };
    return t;
}

} // namespace

std::span<const Category> all()
{
    return table();
}

const Category* find(const QString& name)
{
    for (const Category& c : table())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

bool isSubcategory(const QString& category, const QString& subcategory)
{
    const Category* c = find(category);
    return c && c->subcategories.contains(subcategory);
}

} // namespace applecategories
