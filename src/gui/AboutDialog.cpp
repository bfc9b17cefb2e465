#include "gui/AboutDialog.h"

#include "common/ProductInfo.h"
#include "common/Prompts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

AboutDialog::AboutDialog(Prompts& prompts, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About %1").arg(QLatin1String(product::kName)));
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/velmora-64.png")));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* name = new QLabel(QStringLiteral("<b>%1</b>").arg(QLatin1String(product::kName)), this);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto* release = new QLabel(QStringLiteral("SPECIAL RELEASE"), this);
    release->setAlignment(Qt::AlignCenter);
    layout->addWidget(release);
    auto* version = new QLabel(QStringLiteral("version %1.%2")
                                   .arg(product::kVersionMajor)
                                   .arg(product::kVersionMinor),
                               this);
    version->setObjectName(QStringLiteral("version"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("On all questions address on e-mail:"), this));
    auto* mail = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(QLatin1String(product::kSupportEmail)), this);
    mail->setObjectName(QStringLiteral("email"));
    layout->addWidget(mail);
    layout->addWidget(new QLabel(QStringLiteral("For reception of new versions visit a site:"), this));
    auto* web = new QLabel(QStringLiteral("<a href=\"http://%1\">%1</a>").arg(QLatin1String(product::kWebHost)), this);
    web->setObjectName(QStringLiteral("web"));
    layout->addWidget(web);
    for (QLabel* link : {mail, web}) {
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(link, &QLabel::linkActivated, this, [&prompts](const QString& url) { prompts.openUrl(url); });
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
