#pragma once

#include "check/Finding.h"

#include <QDialog>

#include <functional>

class QLabel;
class QTreeWidget;

// "Check feed": the findings of a feed check, one a line. A double click hands the finding to
// `onActivated`, which selects the episode and field concerned in the main window.
class CheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit CheckDialog(QWidget* parent = nullptr);

    void setFindings(const Findings& findings, const QString& source);
    // A line above the list while a check runs ("Checking the linked files: 3 of 12").
    void setStatus(const QString& text);
    const Findings& findings() const { return m_findings; }

    std::function<void(const Finding&)> onActivated;

private:
    QLabel* m_status = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_counts = nullptr;
    Findings m_findings;
};
