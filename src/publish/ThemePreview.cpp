#include "publish/ThemePreview.h"

#include "common/Prompts.h"
#include "publish/ThemeRenderer.h"

#include <utility>

ThemePreview::ThemePreview(QString themesFolder, QString pagePath, Prompts& prompts)
    : m_themesFolder(std::move(themesFolder)), m_pagePath(std::move(pagePath)), m_prompts(prompts)
{
}

bool ThemePreview::open(int remembered)
{
    m_current = -1;
    if (!m_themes.loadOrTell(m_themesFolder, m_prompts))
        return false;
    m_current = m_themes.rememberedIndex(remembered);
    return true;
}

QString ThemePreview::render(int index, const FeedDocument& document)
{
    if (m_themes.isEmpty()) {
        m_prompts.message(QStringLiteral("There is no theme in the folder \"%1\".").arg(m_themesFolder),
                          MessageIcon::Exclamation);
        return {};
    }
    const ThemeRenderResult result = ThemeRenderer::render(m_themes, index, document, m_pagePath);
    if (!result.ok) {
        m_prompts.message(result.error, MessageIcon::Exclamation);
        return {};
    }
    m_current = index;
    return result.pagePath;
}
