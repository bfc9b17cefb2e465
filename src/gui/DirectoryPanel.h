#pragma once

#include <QHash>
#include <QWidget>

#include <functional>

class DirectoryForm;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QTableWidget;

// The fields of a DirectoryForm as rows of caption, editor and the reason beside it (red,
// shown while the value is wrong), then its lists as tables with "Add" and "Remove". Editors
// are named after their field keys ("itunesOwnerEmail"), reasons after the key with "Reason",
// tables after the list key. What is typed goes to the form as typed.
class DirectoryPanel : public QWidget {
public:
    explicit DirectoryPanel(DirectoryForm& form, QWidget* parent = nullptr);

    // Builds the rows; `afterRow` runs after each text field's row so the caller can add rows
    // of its own there.
    void build(const std::function<void(const QString& key)>& afterRow = {});
    // A row of the caller's: caption, editor part; returns the reason label of the row.
    QLabel* addRow(const QString& caption, QWidget* editor, const QString& reasonName);
    // Puts a widget (a button) beside a field's editor.
    void addBeside(const QString& key, QWidget* widget);
    QWidget* editor(const QString& key) const { return m_editors.value(key); }

    // Shows the form's values; an editor that already shows its value is left alone.
    void showValues();
    void showReasons();
    // Called after a field's editing finished (Return or leaving it), with its key.
    std::function<void(const QString& key)> onFinished;
    // Called after every edit that reached the form.
    std::function<void()> onEdited;

private:
    void addTextRow(const QString& key);
    void addListRow(int index);
    void listEdited(QTableWidget* table);
    void edited();

    DirectoryForm& m_form;
    QGridLayout* m_grid = nullptr;
    int m_row = 0;
    QHash<QString, QWidget*> m_editors;
    QHash<QString, QHBoxLayout*> m_besides;
    QHash<QString, QLabel*> m_reasons;
    QHash<QString, QTableWidget*> m_tables;
    bool m_filling = false;
};
