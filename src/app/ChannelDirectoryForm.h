#pragma once

#include "app/DirectoryForm.h"

class Prompts;

// The "Directories" tab of the main window below its widgets: the channel's Apple Podcasts and
// Podcasting 2.0 fields, Apple's category as a category and a subcategory list (a main and a
// second category), and the podcast GUID made from the feed URL.
class ChannelDirectoryForm : public DirectoryFormOf<Channel> {
public:
    static constexpr int kCategorySlots = 2;

    void load(const Channel& channel);

    QString reason(const QString& key) const override;
    void setText(const QString& key, const QString& value) override;

    // Apple's top-level categories with an empty entry first; the list of a slot also holds
    // the feed's own text when Apple's list does not, so that it shows as it is.
    QStringList categoryChoices(int slot) const;
    // The subcategories of the slot's category, an empty entry first.
    QStringList subcategoryChoices(int slot) const;
    QString category(int slot) const;
    QString subcategory(int slot) const;
    // Choosing another category empties a subcategory that the new one does not have.
    void setCategory(int slot, const QString& name);
    void setSubcategory(int slot, const QString& name);
    QString categoryReason(int slot) const;

    // The feed URL field was left. A podcast that had no feed URL when it was shown gets its
    // GUID from the first one set, and the GUID follows the URL while it is still the one made.
    void feedUrlFinished();
    // "Generate": the GUID from the feed URL. Replacing a GUID that differs asks first, since
    // directories follow a podcast by it. False when nothing changed; the reason then shows
    // beside the GUID field.
    bool generateGuid(Prompts& prompts);

private:
    ItunesCategory* slot(int index);
    const ItunesCategory* slot(int index) const;

    bool m_feedUrlWasEmpty = false;
    QString m_madeGuid;     // the GUID made from the first feed URL, while it stays unchanged
    QString m_guidMessage;  // why "Generate" made none
};
