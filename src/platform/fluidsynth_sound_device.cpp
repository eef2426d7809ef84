#include "platform/fluidsynth_sound_device.h"

#include "platform/mci_command.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <cmath>
#include <fluidsynth.h>
#include <mutex>

namespace {
Q_LOGGING_CATEGORY(lcFluidSynth, "pawmelo.fluidsynth", QtInfoMsg)

// MIDI files are a few kilobytes; anything far larger is not one we play.
constexpr qint64 kMaxMidiFileSize = 4 * 1024 * 1024;
// The synthesizer's default gain (0.2) puts a General MIDI tune near -38 dB
// RMS, too faint for an alert; at 0.8 the alert tune peaks near -10 dBFS.
constexpr double kSynthGain = 0.8;

template <auto Delete>
struct Deleter
{
    template <typename T>
    void operator()(T* object) const
    {
        Delete(object);
    }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, Deleter<delete_fluid_settings>>;
using SynthPtr = std::unique_ptr<fluid_synth_t, Deleter<delete_fluid_synth>>;
using PlayerPtr = std::unique_ptr<fluid_player_t, Deleter<delete_fluid_player>>;
using AudioDriverPtr = std::unique_ptr<fluid_audio_driver_t, Deleter<delete_fluid_audio_driver>>;

// FluidSynth writes every failed driver attempt to stderr by default. Its
// messages go to a logging category instead, off unless a developer turns it on.
void logFluidSynth(int level, const char* message, void*)
{
    qCDebug(lcFluidSynth, "[%d] %s", level, message);
}

void quietFluidSynthLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
            fluid_set_log_function(level, logFluidSynth, nullptr);
    });
}

QStringList compiledAudioDrivers(fluid_settings_t* settings)
{
    QStringList names;
    fluid_settings_foreach_option(settings, "audio.driver", &names,
                                  [](void* data, const char*, const char* option) {
                                      static_cast<QStringList*>(data)->append(QString::fromUtf8(option));
                                  });
    return names;
}

AudioDriverPtr startAudioDriver(fluid_settings_t* settings, fluid_synth_t* synth, const QStringList& drivers)
{
    const QStringList compiled = compiledAudioDrivers(settings);
    for (const QString& name : drivers) {
        if (!compiled.contains(name))
            continue;
        fluid_settings_setstr(settings, "audio.driver", name.toUtf8().constData());
        if (fluid_audio_driver_t* driver = new_fluid_audio_driver(settings, synth))
            return AudioDriverPtr(driver);
    }
    return nullptr;
}

bool loadSoundFont(fluid_synth_t* synth, const QStringList& soundFonts)
{
    for (const QString& path : soundFonts) {
        if (QFileInfo(path).isFile() &&
            fluid_synth_sfload(synth, QFile::encodeName(path).constData(), 1) != FLUID_FAILED)
            return true;
    }
    return false;
}

// A path may name its folders with Windows separators. QFile opens the path
// by its file-system name (UTF-8 here), so every character of it counts.
QString resolvePath(const QString& path)
{
    if (QFileInfo(path).isFile() || !path.contains(QLatin1Char('\\')))
        return path;
    return QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

int readMidiFile(const QString& path, QByteArray* data)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return MciError::FileNotFound;
    if (file.size() > kMaxMidiFileSize)
        return MciError::InvalidFile;
    *data = file.readAll();
    return data->startsWith("MThd") ? MciError::None : MciError::InvalidFile;
}

QString aliasKey(const QString& name)
{
    return name.toCaseFolded();
}
} // namespace

// Members are destroyed in reverse order: the audio output stops before the
// player and the synthesizer it renders go away.
struct FluidSynthSoundDevice::Device
{
    QByteArray midi; // the file, alive as long as the player that reads it
    SettingsPtr settings;
    SynthPtr synth;
    PlayerPtr player;
    AudioDriverPtr audioDriver;
    bool playing = false;
    // Tick at which "play from 0" was sent at the end of the tune, until the
    // player has taken the seek (it does so on its next render block); -1: none.
    int restartFrom = -1;

    // The player keeps counting ticks while the last notes ring out and only
    // reports itself done seconds later; the tune itself ends at the last
    // track's final tick. The total is 0 until the player has loaded the file.
    bool pastEnd()
    {
        const int tick = fluid_player_get_current_tick(player.get());
        if (restartFrom >= 0) {
            if (tick >= restartFrom)
                return false;
            restartFrom = -1;
        }
        const int total = fluid_player_get_total_ticks(player.get());
        return total > 0 && tick >= total;
    }

    // FluidSynth also reports "done" after a stop, but only a device that is
    // playing is asked: then it means the player ended by itself, also when
    // the file could not be loaded at all.
    bool sounding()
    {
        return playing && fluid_player_get_status(player.get()) != FLUID_PLAYER_DONE && !pastEnd();
    }
};

// A synthesizer made as small as FluidSynth allows: it never plays, it only
// lives. Members go in reverse order: the synthesizer before its settings.
struct FluidSynthSoundDevice::Keeper
{
    SettingsPtr settings{new_fluid_settings()};
    SynthPtr synth;

    Keeper()
    {
        fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
        fluid_settings_setint(settings.get(), "synth.polyphony", 1);
        fluid_settings_setint(settings.get(), "synth.reverb.active", 0);
        fluid_settings_setint(settings.get(), "synth.chorus.active", 0);
        fluid_settings_setnum(settings.get(), "synth.sample-rate", 8000);
        synth.reset(new_fluid_synth(settings.get()));
    }
};

QStringList FluidSynthSoundDevice::DefaultSoundFonts()
{
    return {QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2")};
}

QStringList FluidSynthSoundDevice::DefaultAudioDrivers()
{
    QStringList drivers{QStringLiteral("pulseaudio"), QStringLiteral("pipewire")};
    if (QFileInfo::exists(QStringLiteral("/dev/snd")))
        drivers.append(QStringLiteral("alsa"));
    return drivers;
}

FluidSynthSoundDevice::FluidSynthSoundDevice()
    : FluidSynthSoundDevice(Options{})
{
}

FluidSynthSoundDevice::FluidSynthSoundDevice(Options options)
    : m_options(std::move(options))
{
    quietFluidSynthLog();
}

FluidSynthSoundDevice::~FluidSynthSoundDevice() = default;

int FluidSynthSoundDevice::sendString(const QString& command, QString* reply)
{
    MciCommand parsed;
    if (const int error = MciCommand::parse(command, &parsed))
        return error;
    if (parsed.verb == MciCommand::Verb::Open)
        return open(parsed);

    Device* device = find(parsed.name);
    if (!device)
        return MciError::InvalidDeviceName;
    switch (parsed.verb) {
    case MciCommand::Verb::Play:
        return play(*device, parsed);
    case MciCommand::Verb::Status:
        return status(*device, parsed, reply);
    case MciCommand::Verb::Stop:
        if (device->playing)
            fluid_player_stop(device->player.get());
        device->playing = false;
        return MciError::None;
    case MciCommand::Verb::Close:
        m_devices.erase(aliasKey(parsed.name));
        return MciError::None;
    case MciCommand::Verb::Open:
        break;
    }
    return MciError::UnrecognizedCommand;
}

int FluidSynthSoundDevice::open(const MciCommand& command)
{
    const QString key = aliasKey(command.name);
    if (m_devices.contains(key))
        return MciError::DuplicateAlias;

    if (!m_keeper)
        m_keeper = std::make_unique<Keeper>();
    auto device = std::make_unique<Device>();
    if (const int error = readMidiFile(resolvePath(command.element), &device->midi))
        return error;

    device->settings.reset(new_fluid_settings());
    fluid_settings_setstr(device->settings.get(), "player.timing-source", "sample");
    fluid_settings_setint(device->settings.get(), "synth.lock-memory", 0);
    fluid_settings_setnum(device->settings.get(), "synth.sample-rate", m_options.sampleRate);
    fluid_settings_setnum(device->settings.get(), "synth.gain", kSynthGain);
    device->synth.reset(new_fluid_synth(device->settings.get()));
    if (!device->synth)
        return MciError::CannotLoadDriver;

    // The audio output is tried before the SoundFont is loaded: without one,
    // the alert's repeated opens cost a failed driver attempt, not 6 MB of samples.
    if (m_options.output == Output::AudioDriver) {
        device->audioDriver =
            startAudioDriver(device->settings.get(), device->synth.get(), m_options.audioDrivers);
        if (!device->audioDriver)
            return MciError::NoAudioOutput;
    }
    if (!loadSoundFont(device->synth.get(), m_options.soundFonts))
        return MciError::DeviceNotInstalled;

    device->player.reset(new_fluid_player(device->synth.get()));
    if (!device->player || fluid_player_add_mem(device->player.get(), device->midi.constData(),
                                                size_t(device->midi.size())) != FLUID_OK)
        return MciError::InvalidFile;

    m_devices.emplace(key, std::move(device));
    return MciError::None;
}

int FluidSynthSoundDevice::play(Device& device, const MciCommand& command)
{
    fluid_player_t* player = device.player.get();
    if (command.from) {
        if (*command.from != 0)
            return MciError::UnsupportedFunction;
        if (device.pastEnd())
            device.restartFrom = fluid_player_get_current_tick(player);
        // A seek already pending for this render block may refuse a second
        // one; either way the player starts from tick 0.
        fluid_player_seek(player, 0);
    } else if (device.pastEnd()) {
        // Played to its end: it stays there. (FluidSynth's own play would
        // start the finished file over.)
        return MciError::None;
    }
    if (fluid_player_play(player) != FLUID_OK)
        return MciError::InvalidFile;
    device.playing = true;
    return MciError::None;
}

int FluidSynthSoundDevice::status(Device& device, const MciCommand& command, QString* reply)
{
    if (command.statusItem != u"mode")
        return MciError::UnrecognizedKeyword;
    if (reply)
        *reply = device.sounding() ? QStringLiteral("playing") : QStringLiteral("stopped");
    return MciError::None;
}

FluidSynthSoundDevice::Device* FluidSynthSoundDevice::find(const QString& name)
{
    const auto it = m_devices.find(aliasKey(name));
    return it == m_devices.end() ? nullptr : it->second.get();
}

bool FluidSynthSoundDevice::renderOffline(int frames, std::vector<int16_t>* out)
{
    if (m_options.output != Output::Offline || frames < 0)
        return false;
    const size_t samples = size_t(frames) * 2;
    std::vector<float> mix(samples, 0.0f);
    std::vector<float> one(samples);
    for (const auto& [key, device] : m_devices) {
        fluid_synth_write_float(device->synth.get(), frames, one.data(), 0, 2, one.data(), 1, 2);
        std::transform(mix.begin(), mix.end(), one.begin(), mix.begin(), std::plus<>());
    }
    out->resize(samples);
    std::transform(mix.begin(), mix.end(), out->begin(), [](float sample) {
        return static_cast<int16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f));
    });
    return true;
}
