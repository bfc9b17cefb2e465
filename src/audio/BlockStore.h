#pragma once

#include "audio/SampleBlock.h"

#include <QString>

#include <memory>

// Makes sample blocks and keeps them within a memory budget: a block made while the budget is
// used up goes to a file in a private folder below the temporary folder. The folder is locked while
// in use and removed when the store is released; folders left behind by a crashed run are removed
// when the next store is made in the same temporary folder.
class BlockStore {
public:
    static constexpr qint64 kDefaultBudgetBytes = qint64(512) * 1024 * 1024;
    // Name prefix of the private folders, so leftovers of a crash can be recognised.
    static const char* const kFolderPrefix;

    BlockStore();
    ~BlockStore();

    void setTempFolder(const QString& folder); // empty: the system's temporary folder
    QString tempFolder() const;
    void setMemoryBudget(qint64 bytes);
    qint64 memoryBudget() const;
    qint64 memoryInUse() const;
    // Private spill folder, empty until the first block spilled.
    QString spillFolder() const;

    // Makes an immutable block from interleaved samples; nullptr with *error set if a spill fails.
    SampleBlockPtr makeBlock(int channels, std::vector<float> data, QString* error);

    // A block that stays in memory whatever the budget, for short-lived views.
    SampleBlockPtr makeTransientBlock(int channels, std::vector<float> data);

    // Forgets the spill folder (removed once no block refers to it); the next spill makes a new one.
    void release();

    // Removes the private folders of runs that are no longer alive below folder.
    static int removeLeftovers(const QString& folder);

private:
    std::shared_ptr<BlockStoreState> m_state;
    QString m_tempFolder;
    qint64 m_budget = kDefaultBudgetBytes;
};
