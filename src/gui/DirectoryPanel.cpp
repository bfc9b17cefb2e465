#include "gui/DirectoryPanel.h"

#include "app/DirectoryForm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

QLabel* reasonLabel(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("color: #b00020;"));
    l->setMinimumWidth(150);
    l->setMaximumWidth(240);
    l->hide();
    return l;
}

QString editorText(QWidget* w)
{
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        return p->toPlainText();
    return {};
}

QList<QStringList> tableRows(const QTableWidget* table)
{
    QList<QStringList> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < table->columnCount(); ++c)
            row << (table->item(r, c) ? table->item(r, c)->text() : QString());
        rows << row;
    }
    return rows;
}

} // namespace

DirectoryPanel::DirectoryPanel(DirectoryForm& form, QWidget* parent) : QWidget(parent), m_form(form)
{
    m_grid = new QGridLayout(this);
    m_grid->setColumnStretch(1, 1);
}

void DirectoryPanel::build(const std::function<void(const QString&)>& afterRow)
{
    for (const DirectoryTextInfo& f : m_form.textFields()) {
        addTextRow(f.key);
        if (afterRow)
            afterRow(f.key);
    }
    for (int i = 0; i < int(m_form.lists().size()); ++i)
        addListRow(i);
    m_grid->setRowStretch(m_row, 1);
    showValues();
}

QLabel* DirectoryPanel::addRow(const QString& caption, QWidget* editor, const QString& reasonName)
{
    auto* label = new QLabel(caption, this);
    label->setBuddy(editor);
    // Captions of tables and text boxes stand at their top line, the others beside the editor.
    const bool tall = qobject_cast<QPlainTextEdit*>(editor) || editor->findChild<QTableWidget*>();
    m_grid->addWidget(label, m_row, 0, Qt::AlignLeft | (tall ? Qt::AlignTop : Qt::AlignVCenter));
    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(editor, 1);
    m_grid->addLayout(line, m_row, 1);
    QLabel* reason = reasonLabel(reasonName, this);
    m_grid->addWidget(reason, m_row, 2, Qt::AlignLeft | Qt::AlignVCenter);
    m_besides.insert(reasonName, line);
    ++m_row;
    return reason;
}

void DirectoryPanel::addBeside(const QString& key, QWidget* widget)
{
    if (QHBoxLayout* line = m_besides.value(key + QLatin1String("Reason")))
        line->addWidget(widget);
}

void DirectoryPanel::addTextRow(const QString& key)
{
    DirectoryTextInfo info;
    for (const DirectoryTextInfo& f : m_form.textFields())
        if (f.key == key)
            info = f;
    QWidget* editor = nullptr;
    if (info.multiLine) {
        auto* p = new QPlainTextEdit(this);
        p->setTabChangesFocus(true);
        p->setFixedHeight(p->fontMetrics().lineSpacing() * 4 + 12);
        connect(p, &QPlainTextEdit::textChanged, this, [this, key, p] {
            if (m_filling)
                return;
            m_form.setText(key, p->toPlainText());
            edited();
        });
        editor = p;
    } else if (!info.choices.isEmpty()) {
        auto* c = new QComboBox(this);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItem(QString());
        c->addItems(info.choices);
        connect(c, &QComboBox::editTextChanged, this, [this, key](const QString& text) {
            if (m_filling)
                return;
            m_form.setText(key, text);
            edited();
        });
        connect(c->lineEdit(), &QLineEdit::editingFinished, this, [this, key] {
            if (onFinished)
                onFinished(key);
        });
        editor = c;
    } else {
        auto* e = new QLineEdit(this);
        connect(e, &QLineEdit::textEdited, this, [this, key](const QString& text) {
            m_form.setText(key, text);
            edited();
        });
        connect(e, &QLineEdit::editingFinished, this, [this, key] {
            if (onFinished)
                onFinished(key);
        });
        editor = e;
    }
    editor->setObjectName(key);
    m_editors.insert(key, editor);
    m_reasons.insert(key, addRow(info.label, editor, key + QLatin1String("Reason")));
}

void DirectoryPanel::addListRow(int index)
{
    const DirectoryListInfo& list = m_form.lists()[index];
    const QString key = QLatin1String(list.key);
    auto* holder = new QWidget(this);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* table = new QTableWidget(0, int(list.columns.size()), holder);
    table->setObjectName(key);
    QStringList headers;
    for (const DirectoryColumn& c : list.columns)
        headers << QLatin1String(c.label);
    table->setHorizontalHeaderLabels(headers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height()
                            + 3 * table->verticalHeader()->defaultSectionSize() + 4);
    table->setMaximumHeight(table->minimumHeight() * 2);
    connect(table, &QTableWidget::cellChanged, this, [this, table] {
        if (!m_filling)
            listEdited(table);
    });
    layout->addWidget(table);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Add"), holder);
    add->setObjectName(key + QLatin1String("Add"));
    auto* remove = new QPushButton(QStringLiteral("Remove"), holder);
    remove->setObjectName(key + QLatin1String("Remove"));
    connect(add, &QPushButton::clicked, this, [table] {
        table->insertRow(table->rowCount());
        table->setCurrentCell(table->rowCount() - 1, 0);
        table->editItem(table->item(table->rowCount() - 1, 0));
    });
    connect(remove, &QPushButton::clicked, this, [this, table] {
        if (table->currentRow() < 0)
            return;
        table->removeRow(table->currentRow());
        listEdited(table);
    });
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_tables.insert(key, table);
    m_reasons.insert(key, addRow(QLatin1String(list.label), holder, key + QLatin1String("Reason")));
}

void DirectoryPanel::listEdited(QTableWidget* table)
{
    m_form.setRows(table->objectName(), tableRows(table));
    edited();
}

void DirectoryPanel::edited()
{
    if (onEdited)
        onEdited();
    showReasons();
}

void DirectoryPanel::showValues()
{
    m_filling = true;
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it) {
        const QString value = m_form.text(it.key());
        if (editorText(it.value()) == value)
            continue;
        if (auto* e = qobject_cast<QLineEdit*>(it.value()))
            e->setText(value);
        else if (auto* c = qobject_cast<QComboBox*>(it.value()))
            c->setEditText(value);
        else if (auto* p = qobject_cast<QPlainTextEdit*>(it.value()))
            p->setPlainText(value);
    }
    for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it) {
        QTableWidget* table = it.value();
        const QList<QStringList> rows = m_form.rows(it.key());
        // A table being filled in keeps its empty rows while it shows what the form holds.
        QList<QStringList> shown;
        for (const QStringList& row : tableRows(table))
            if (!row.join(QString()).trimmed().isEmpty())
                shown << row;
        if (shown == rows)
            continue;
        table->setRowCount(int(rows.size()));
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                table->setItem(r, c, new QTableWidgetItem(rows[r].value(c)));
    }
    m_filling = false;
    showReasons();
}

void DirectoryPanel::showReasons()
{
    for (auto it = m_reasons.cbegin(); it != m_reasons.cend(); ++it) {
        const QString why = m_tables.contains(it.key()) ? m_form.rowsReason(it.key()) : m_form.reason(it.key());
        it.value()->setText(why);
        it.value()->setVisible(!why.isEmpty());
    }
}
