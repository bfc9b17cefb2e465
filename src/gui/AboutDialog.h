#pragma once

#include <QDialog>

class Prompts;

// "About Velmora": the release line, the version and the support and web addresses.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(Prompts& prompts, QWidget* parent = nullptr);
};
