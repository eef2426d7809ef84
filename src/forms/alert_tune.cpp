#include "forms/alert_tune.h"

#include "forms/program.h"
#include "forms/program_folder.h"
#include "platform/sound_device.h"

#include <QDir>

namespace {
// What a missing sound device answers: the device is not open.
constexpr int kNoDevice = 263;
} // namespace

int AlertTune::send(const QString& command, QString* reply)
{
    SoundDevice* sound = m_program.services().sound.get();
    return sound ? sound->sendString(command, reply) : kNoDevice;
}

void AlertTune::openAndPlay()
{
    // Joined as text: a folder path that already ends in a separator gives two.
    // The path stays Unicode on its way to the device, so the tune plays from
    // a folder whose name the settings files' code page could not hold.
    const QString tune = m_program.programFolder() + QDir::separator() + kSoundFolderName +
                         QDir::separator() + kAlertTuneFileName;
    m_program.MciResult = send(QStringLiteral("open \"") + tune + QStringLiteral("\" alias bgm"));
    m_program.MciResult = send(QStringLiteral("play bgm"));
}

void AlertTune::stopAndClose()
{
    m_program.MciResult = send(QStringLiteral("stop bgm"));
    m_program.MciResult = send(QStringLiteral("close bgm"));
}

bool AlertTune::poll(bool loop)
{
    QString reply;
    send(QStringLiteral("status bgm mode"), &reply);
    if (!reply.isEmpty())
        m_program.MciStatus = reply;
    if (m_program.MciStatus.left(7) != QLatin1StringView("stopped"))
        return true;
    if (loop) {
        send(QStringLiteral("play bgm from 0"));
        return true;
    }
    stopAndClose();
    return false;
}
