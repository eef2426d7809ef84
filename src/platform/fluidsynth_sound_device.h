#pragma once

#include "platform/sound_device.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct MciCommand;

// Plays Standard MIDI Files through the FluidSynth synthesizer with a General
// MIDI SoundFont, driven by the command strings of SoundDevice:
//
//   open "<path>" alias <name>  opens the file under the alias (one device per
//                               alias; the alias is matched in any letter case).
//                               When no file exists at the path as written,
//                               backslashes are read as folder separators.
//   play <name>                 plays on from the current position; at the end
//                               of the tune it stays there and plays nothing.
//   play <name> from 0          plays from the start.
//   status <name> mode          reply "playing", or "stopped" before the first
//                               play, after stop, and from the moment play has
//                               reached the end of the tune (not when the last
//                               notes have died away).
//   stop <name>                 stops, keeping the position.
//   close <name>                stops and releases the device.
//
// Return codes (MciError in mci_command.h): 0 success; 261 unknown command;
// 259, 270, 273, 292, 294, 295 malformed command; 263 no device open under
// that name; 289 open on an alias already open (the open device is left as it
// was); 275 no such file; 296 not a MIDI file; 266 the synthesizer could not
// be created; 306 no SoundFont could be loaded; 343 no audio output could be
// started; 274 "play from" a position other than 0. A failed command changes
// nothing, and `reply` is written only by a successful status.
//
// Each open device owns its synthesizer, SoundFont and audio output, created
// at open and released at close, so an idle program holds no SoundFont and
// no audio output. From the first open on, one small silent synthesizer
// stays (about 0.6 MB): FluidSynth sets up its SoundFont support (libinstpatch)
// when the first synthesizer is made and tears it down when the last one
// goes, and every such round leaks a few kilobytes; the alert opens and
// closes at every announcement, so without it memory grew with each one.
// Without audio output (no sound server, no sound card) open fails with 343
// and leaves nothing open; the caller goes on without sound.
class FluidSynthSoundDevice final : public SoundDevice
{
public:
    enum class Output
    {
        /// Sound goes to the desktop's audio output.
        AudioDriver,
        /// No audio output: time advances only through renderOffline(). For tests.
        Offline,
    };

    struct Options
    {
        Output output = Output::AudioDriver;
        /// SoundFont files, tried in order; the first that loads is used.
        QStringList soundFonts = DefaultSoundFonts();
        /// FluidSynth audio driver names, tried in order (AudioDriver output).
        QStringList audioDrivers = DefaultAudioDrivers();
        int sampleRate = 44100;
    };

    /// The General MIDI SoundFonts of the Debian packages, preferred first.
    static QStringList DefaultSoundFonts();
    /// pulseaudio, pipewire (when this FluidSynth has it), then alsa when the
    /// machine has sound hardware at all (ALSA otherwise writes its own
    /// complaints to stderr on every attempt).
    static QStringList DefaultAudioDrivers();

    FluidSynthSoundDevice();
    explicit FluidSynthSoundDevice(Options options);
    ~FluidSynthSoundDevice() override;

    FluidSynthSoundDevice(const FluidSynthSoundDevice&) = delete;
    FluidSynthSoundDevice& operator=(const FluidSynthSoundDevice&) = delete;

    int sendString(const QString& command, QString* reply = nullptr) override;

    /// Offline output only: runs every open device for `frames` frames and
    /// stores their mixed stereo output in `out` (2 × frames samples, left
    /// first). Returns false, leaving `out` alone, with AudioDriver output.
    bool renderOffline(int frames, std::vector<int16_t>* out);

    /// Number of open devices (aliases).
    int openDeviceCount() const { return static_cast<int>(m_devices.size()); }

private:
    struct Device;

    int open(const MciCommand& command);

    int play(Device& device, const MciCommand& command);
    int status(Device& device, const MciCommand& command, QString* reply);
    Device* find(const QString& name);

    Options m_options;
    // The silent synthesizer that keeps FluidSynth's set-up alive; made by
    // the first open.
    struct Keeper;
    std::unique_ptr<Keeper> m_keeper;
    // Keyed by the case-folded alias.
    std::map<QString, std::unique_ptr<Device>> m_devices;
};
