#include "app/AppShell.h"

#include "audio/AudioSystem.h"
#include "common/ProductInfo.h"
#include "common/Prompts.h"

#include <QFile>
#include <QDir>

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

void AppShell::loadSettings(const QSize& screenTwips)
{
    m_projects.clear();
    m_languages.load(m_home.languagesPath());

    QFile presence(m_home.settingsPath());
    m_firstRun = !presence.open(QIODevice::ReadOnly);
    presence.close();
    if (m_firstRun)
        m_settings.setDefaults(m_home.path(), screenTwips);
    m_settings.load(m_home.settingsPath());
    m_settingsLoaded = true;
}

void AppShell::loadProjectList()
{
    m_projects.load(m_home.projectListPath(), m_settings.savePassword);
    m_projects.setCurrent(m_settings.lastProject);
    m_projectsLoaded = true;
}

bool AppShell::saveProjectList()
{
    QString error;
    if (m_projects.save(m_home.projectListPath(), m_settings.savePassword, &error))
        return true;
    m_prompts.message(QStringLiteral("The podcast list could not be saved to \"%1\":\r\n%2")
                          .arg(QDir::toNativeSeparators(m_home.projectListPath()), error),
                      MessageIcon::Exclamation);
    return false;
}

void AppShell::unload()
{
    QFile::remove(m_home.previewScratchPath());
    // State that was never read must not overwrite the files with empty values.
    if (m_projectsLoaded) {
        m_settings.lastProject = static_cast<qint16>(m_projects.current());
        saveProjectList();
    }
    if (m_settingsLoaded) {
        QString error;
        if (!m_settings.save(m_home.settingsPath(), &error)) {
            m_prompts.message(QStringLiteral("The settings could not be saved to \"%1\":\r\n%2")
                                  .arg(QDir::toNativeSeparators(m_home.settingsPath()), error),
                              MessageIcon::Exclamation);
        }
    }
    m_instance.release();
}
