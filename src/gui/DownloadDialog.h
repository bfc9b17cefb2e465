#pragma once

#include <QDialog>

class QLineEdit;

// "Download podcast feed": the address of a published feed. OK with blanks alone does nothing
// and the dialog stays open.
class DownloadDialog : public QDialog {
    Q_OBJECT
public:
    explicit DownloadDialog(QWidget* parent = nullptr);

    // The field's text as typed.
    QString url() const;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_text = nullptr;
};
