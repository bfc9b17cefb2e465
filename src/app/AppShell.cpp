#include "app/AppShell.h"

#include "audio/AudioSystem.h"
#include "common/ProductInfo.h"
#include "common/Prompts.h"

#include <QFile>

AppShell::AppShell(HomeFolder home, Prompts& prompts)
    : m_home(std::move(home)), m_prompts(prompts), m_instance(m_home.lockPath())
{
}

AppShell::~AppShell() = default;

bool AppShell::acquireSingleInstance()
{
    QString error;
    if (!m_home.ensureExists(&error)) {
        m_prompts.message(error, MessageIcon::Critical, MessageButtons::Ok,
                          QLatin1String(product::kName));
        return false;
    }
    if (m_instance.tryAcquire())
        return true;
    m_prompts.message(
        QStringLiteral("You can only have one instance of %1 running at one time.")
            .arg(QLatin1String(product::kName)),
        MessageIcon::None, MessageButtons::Ok, QLatin1String(product::kName));
    return false;
}

void AppShell::installResources()
{
    QStringList errors;
    m_home.installBundledResources(&errors);
    if (!errors.isEmpty()) {
        m_prompts.message(QStringLiteral("Some bundled files could not be copied to \"%1\":\r\n%2")
                              .arg(m_home.path(), errors.join(QStringLiteral("\r\n"))),
                          MessageIcon::Exclamation);
    }
}

bool AppShell::startAudio(AudioSystem& audio)
{
    if ((audio.version() >> 16) != AudioSystem::kExpectedVersionHigh) {
        m_prompts.message(QStringLiteral("An incorrect version of BASS.DLL was loaded"),
                          MessageIcon::Critical, MessageButtons::Ok);
    }
    if (audio.init(AudioSystem::kDefaultDevice, 44100))
        return true;
    showBassError(QStringLiteral("Can't initialize digital sound system"), audio);
    return false;
}

void AppShell::showBassError(const QString& text, const AudioSystem& audio)
{
    m_prompts.message(text + QStringLiteral("\r\n\r\nerror code: ")
                          + QString::number(audio.lastErrorCode()),
                      MessageIcon::Exclamation, MessageButtons::Ok, QStringLiteral("Error"));
}

void AppShell::unload()
{
    QFile::remove(m_home.previewScratchPath());
    m_instance.release();
}
