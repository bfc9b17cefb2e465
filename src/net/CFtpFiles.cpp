#include "net/CFtpFiles.h"

bool CFtpFiles::Add(const CFtpFile& item, const QString& key)
{
    if (m_index.contains(key))
        return false;
    m_index.insert(key, m_items.size());
    m_items.append(item);
    m_keys.append(key);
    return true;
}

const CFtpFile* CFtpFiles::Item(qsizetype index) const
{
    return index >= 0 && index < m_items.size() ? &m_items[index] : nullptr;
}

const CFtpFile* CFtpFiles::Item(const QString& key) const
{
    const auto it = m_index.constFind(key);
    return it == m_index.constEnd() ? nullptr : &m_items[it.value()];
}

bool CFtpFiles::Remove(qsizetype index)
{
    if (index < 0 || index >= m_items.size())
        return false;
    m_items.removeAt(index);
    m_keys.removeAt(index);
    reindex();
    return true;
}

bool CFtpFiles::Remove(const QString& key)
{
    const auto it = m_index.constFind(key);
    return it != m_index.constEnd() && Remove(it.value());
}

void CFtpFiles::clear()
{
    m_items.clear();
    m_keys.clear();
    m_index.clear();
}

void CFtpFiles::reindex()
{
    m_index.clear();
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        m_index.insert(m_keys[i], i);
}
