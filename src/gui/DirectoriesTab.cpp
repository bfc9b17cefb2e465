#include "gui/DirectoriesTab.h"

#include "common/Prompts.h"
#include "gui/DirectoryPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

const QString kGuid = QStringLiteral("podcastGuid");

void fillList(QComboBox* box, const QStringList& items, const QString& current)
{
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(int(items.indexOf(current)));
}

} // namespace

DirectoriesTab::DirectoriesTab(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("frDirectories"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    m_panel = new DirectoryPanel(m_form, this);
    m_panel->build([this](const QString& key) {
        if (key == QLatin1String("itunesImage"))
            addCategoryRows();
    });
    auto* generate = new QPushButton(QStringLiteral("Generate"), m_panel);
    generate->setObjectName(QStringLiteral("generateGuid"));
    generate->setToolTip(QStringLiteral("Make the podcast GUID from the feed URL"));
    connect(generate, &QPushButton::clicked, this, &DirectoriesTab::generateGuid);
    m_panel->addBeside(kGuid, generate);
    m_panel->onFinished = [this](const QString& key) {
        if (key != QLatin1String("atomSelfLink"))
            return;
        m_form.feedUrlFinished();
        m_panel->showValues();
    };
    setWidget(m_panel);
    showCategories();
}

void DirectoriesTab::addCategoryRows()
{
    for (int slot = 0; slot < ChannelDirectoryForm::kCategorySlots; ++slot) {
        auto* line = new QWidget(m_panel);
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        QComboBox*& category = m_categories[size_t(slot)];
        QComboBox*& sub = m_subcategories[size_t(slot)];
        category = new QComboBox(line);
        category->setObjectName(QStringLiteral("category%1").arg(slot + 1));
        sub = new QComboBox(line);
        sub->setObjectName(QStringLiteral("subcategory%1").arg(slot + 1));
        category->setMaxVisibleItems(20);
        layout->addWidget(category, 1);
        layout->addWidget(sub, 1);
        m_categoryReasons[size_t(slot)] = m_panel->addRow(
            slot == 0 ? QStringLiteral("Category:") : QStringLiteral("Second category:"), line,
            QStringLiteral("category%1Reason").arg(slot + 1));
        connect(category, &QComboBox::currentTextChanged, this, [this, slot](const QString& text) {
            if (m_filling)
                return;
            m_form.setCategory(slot, text);
            showCategories();
        });
        connect(sub, &QComboBox::currentTextChanged, this, [this, slot](const QString& text) {
            if (m_filling)
                return;
            m_form.setSubcategory(slot, text);
            showCategories();
        });
    }
}

void DirectoriesTab::showCategories()
{
    m_filling = true;
    for (int slot = 0; slot < ChannelDirectoryForm::kCategorySlots; ++slot) {
        const auto i = size_t(slot);
        fillList(m_categories[i], m_form.categoryChoices(slot), m_form.category(slot));
        fillList(m_subcategories[i], m_form.subcategoryChoices(slot), m_form.subcategory(slot));
        m_subcategories[i]->setEnabled(m_subcategories[i]->count() > 1);
        const QString why = m_form.categoryReason(slot);
        m_categoryReasons[i]->setText(why);
        m_categoryReasons[i]->setVisible(!why.isEmpty());
    }
    m_filling = false;
}

void DirectoriesTab::showChannel(const Channel& channel)
{
    m_form.load(channel);
    m_panel->showValues();
    showCategories();
}

void DirectoriesTab::generateGuid()
{
    UnattendedPrompts nobody;
    m_form.generateGuid(m_prompts ? *m_prompts : static_cast<Prompts&>(nobody));
    m_panel->showValues();
}
