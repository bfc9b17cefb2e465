#include "gui/CheckDialog.h"

#include "check/CheckReport.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

CheckDialog::CheckDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Check feed"));
    auto* layout = new QVBoxLayout(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("findings"));
    m_list->setHeaderLabels({QStringLiteral("Severity"), QStringLiteral("Where"), QStringLiteral("Message"),
                             QStringLiteral("Rule")});
    m_list->setRootIsDecorated(false);
    m_list->setWordWrap(true);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    layout->addWidget(m_list, 1);
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("counts"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_counts, 1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int index = m_list->indexOfTopLevelItem(item);
        if (index >= 0 && index < m_findings.size() && onActivated)
            onActivated(m_findings[index]);
    });
    resize(820, 420);
}

void CheckDialog::setStatus(const QString& text)
{
    m_status->setText(text);
}

void CheckDialog::setFindings(const Findings& findings, const QString& source)
{
    m_findings = findings;
    m_list->clear();
    const QIcon icons[] = {style()->standardIcon(QStyle::SP_MessageBoxCritical),
                           style()->standardIcon(QStyle::SP_MessageBoxWarning),
                           style()->standardIcon(QStyle::SP_MessageBoxInformation)};
    for (const Finding& f : findings) {
        QString where = f.item > 0 ? QStringLiteral("Episode %1").arg(f.item) : QStringLiteral("Channel");
        if (f.line > 0)
            where += QStringLiteral(", line %1").arg(f.line);
        auto* item = new QTreeWidgetItem(m_list, {severityName(f.severity), where, f.message, f.rule});
        item->setIcon(0, icons[static_cast<int>(f.severity)]);
        item->setToolTip(2, f.message);
    }
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);
    m_list->resizeColumnToContents(3);
    m_counts->setText(checkreport::counts(findings));
    m_status->setText(findings.isEmpty() ? QStringLiteral("%1: no problems found.").arg(source)
                                         : QStringLiteral("%1 (double-click a line to go to the episode or field):").arg(source));
}
