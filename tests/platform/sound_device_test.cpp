#include "platform/fluidsynth_sound_device.h"
#include "platform/mci_command.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <map>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
constexpr int kRate = 44100;
constexpr int kStep = kRate / 100; // 10 ms
constexpr double kStepSeconds = 0.01;

QString tunePath()
{
    return qEnvironmentVariable("PAWMELO_SOURCE_DIR") + QStringLiteral("/assets/Sound/Kouka.mid");
}

QString openCommand(const QString& path, const QString& alias = QStringLiteral("bgm"))
{
    return "open \"" + path + "\" alias " + alias;
}

// Length in seconds of a Standard MIDI File: its longest track, through the
// tempo map. -1 when the data is not one.
double midiSeconds(const QByteArray& data, int* format)
{
    auto byteAt = [&](qsizetype i) { return i < data.size() ? quint8(data[i]) : quint8(0); };
    auto bigEndian = [&](qsizetype at, int n) {
        quint32 value = 0;
        for (int i = 0; i < n; ++i)
            value = value << 8 | byteAt(at + i);
        return value;
    };
    qsizetype pos = 0;
    auto vlq = [&] {
        quint32 value = 0;
        quint8 b = 0;
        do {
            b = byteAt(pos++);
            value = value << 7 | (b & 0x7F);
        } while (b & 0x80 && pos < data.size());
        return value;
    };
    if (!data.startsWith("MThd"))
        return -1;
    *format = int(bigEndian(8, 2));
    const quint32 tracks = bigEndian(10, 2), division = bigEndian(12, 2);
    std::map<quint32, quint32> tempo{{0, 500000}};
    quint32 endTick = 0;
    pos = 8 + bigEndian(4, 4);
    for (quint32 t = 0; t < tracks; ++t) {
        if (data.mid(pos, 4) != "MTrk")
            return -1;
        const qsizetype end = pos + 8 + bigEndian(pos + 4, 4);
        pos += 8;
        quint32 tick = 0;
        quint8 running = 0;
        while (pos < end) {
            tick += vlq();
            quint8 status = byteAt(pos);
            status < 0x80 ? status = running : ++pos;
            if (status == 0xFF) {
                const quint8 type = byteAt(pos++);
                const quint32 length = vlq();
                if (type == 0x51)
                    tempo[tick] = bigEndian(pos, 3);
                pos += length;
            } else if (status == 0xF0 || status == 0xF7) {
                pos += vlq();
            } else {
                running = status;
                pos += (status & 0xE0) == 0xC0 ? 1 : 2; // program change and channel pressure take one byte
            }
        }
        endTick = std::max(endTick, tick);
        pos = end;
    }
    double seconds = 0;
    quint32 lastTick = 0, microseconds = 500000;
    for (const auto& [at, value] : tempo) {
        if (at >= endTick)
            break;
        seconds += double(at - lastTick) * microseconds / 1e6 / division;
        lastTick = at;
        microseconds = value;
    }
    return seconds + double(endTick - lastTick) * microseconds / 1e6 / division;
}

FluidSynthSoundDevice::Options offline()
{
    FluidSynthSoundDevice::Options options;
    options.output = FluidSynthSoundDevice::Output::Offline;
    options.sampleRate = kRate;
    return options;
}

QString mode(FluidSynthSoundDevice& device)
{
    QString reply;
    device.sendString("status bgm mode", &reply);
    return reply;
}

struct Played
{
    double seconds = 0;
    double rms = 0;
};

// Renders in 10 ms steps for `limit` seconds. With `untilStopped` it ends as
// soon as the status answers "stopped" and tells when (-1: never).
Played render(FluidSynthSoundDevice& device, double limit, bool untilStopped)
{
    Played played{-1, 0};
    double sumOfSquares = 0;
    qint64 count = 0;
    std::vector<int16_t> samples;
    const int steps = int(std::lround(limit / kStepSeconds));
    for (int step = 0; step < steps; ++step) {
        if (untilStopped && mode(device) == "stopped") {
            played.seconds = step * kStepSeconds;
            break;
        }
        device.renderOffline(kStep, &samples);
        for (const int16_t s : samples)
            sumOfSquares += double(s) * s;
        count += qint64(samples.size());
    }
    played.rms = count ? std::sqrt(sumOfSquares / double(count)) : 0;
    return played;
}

Played renderUntilStopped(FluidSynthSoundDevice& device)
{
    return render(device, 20, true);
}

Played renderFor(FluidSynthSoundDevice& device, double seconds)
{
    return render(device, seconds, false);
}
} // namespace

class SoundDeviceTest final : public QObject
{
    Q_OBJECT
private:
    double m_tuneSeconds = 0;

private slots:
    void initTestCase()
    {
        QFile file(tunePath());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(tunePath()));
        int format = -1;
        m_tuneSeconds = midiSeconds(file.readAll(), &format);
        QCOMPARE(format, 1);
        qInfo("tune length %.2f s", m_tuneSeconds);
        QVERIFY(m_tuneSeconds >= 4.0 && m_tuneSeconds <= 8.0);
    }

    // The poll relies on "stopped" arriving as the tune ends, to loop it without a gap.
    void playsToTheEndThenStaysThereUntilPlayedFromZero()
    {
        FluidSynthSoundDevice device(offline());
        QCOMPARE(device.sendString(openCommand(tunePath())), 0);
        QCOMPARE(mode(device), "stopped");
        QCOMPARE(device.sendString("play bgm"), 0);
        QCOMPARE(mode(device), "playing");

        const Played first = renderUntilStopped(device);
        qInfo("stopped after %.2f s, RMS %.0f", first.seconds, first.rms);
        QVERIFY(first.rms > 300);
        QVERIFY(first.seconds >= m_tuneSeconds - 0.02);
        QVERIFY(first.seconds <= m_tuneSeconds + 0.3);

        QCOMPARE(device.sendString("play bgm"), 0);
        renderFor(device, 1.0);
        QCOMPARE(mode(device), "stopped");

        QCOMPARE(device.sendString("play bgm from 0"), 0);
        QCOMPARE(mode(device), "playing");
        const Played again = renderUntilStopped(device);
        QVERIFY(again.rms > 300);
        QVERIFY(std::abs(again.seconds - m_tuneSeconds) < 0.3);
    }

    void stopKeepsThePositionForTheNextPlay()
    {
        FluidSynthSoundDevice device(offline());
        QCOMPARE(device.sendString(openCommand(tunePath())), 0);
        QCOMPARE(device.sendString("play bgm"), 0);
        const Played before = renderFor(device, 2.0);
        QCOMPARE(device.sendString("STOP BGM"), 0);
        QCOMPARE(mode(device), "stopped");
        renderFor(device, 0.5);
        QVERIFY(renderFor(device, 0.5).rms < before.rms / 10);
        QCOMPARE(mode(device), "stopped");

        QCOMPARE(device.sendString("play bgm"), 0);
        const Played rest = renderUntilStopped(device);
        QVERIFY(std::abs(rest.seconds - (m_tuneSeconds - 2.0)) < 0.3);
    }

    void secondOpenFailsAndKeepsTheFirstPlaying()
    {
        FluidSynthSoundDevice device(offline());
        QCOMPARE(device.sendString(openCommand(tunePath())), 0);
        QCOMPARE(device.sendString("play bgm from 0"), 0);
        renderFor(device, 0.5);
        QCOMPARE(device.sendString(openCommand(tunePath())), MciError::DuplicateAlias);
        QCOMPARE(device.sendString(openCommand(tunePath(), "BGM")), MciError::DuplicateAlias);
        QCOMPARE(device.openDeviceCount(), 1);
        QCOMPARE(device.sendString("play bgm"), 0);
        QCOMPARE(mode(device), "playing");
        const Played rest = renderUntilStopped(device);
        QVERIFY(std::abs(rest.seconds - (m_tuneSeconds - 0.5)) < 0.3);

        QCOMPARE(device.sendString("close Bgm"), 0);
        QCOMPARE(device.openDeviceCount(), 0);
    }

    void commandsOnAClosedAliasFailAndChangeNothing()
    {
        FluidSynthSoundDevice device(offline());
        QString reply = QStringLiteral("previous");
        QCOMPARE(device.sendString("status bgm mode", &reply), MciError::InvalidDeviceName);
        QCOMPARE(reply, "previous");
        QCOMPARE(device.sendString("stop bgm"), MciError::InvalidDeviceName);
        QCOMPARE(device.sendString("close bgm"), MciError::InvalidDeviceName);
        QCOMPARE(device.sendString("play bgm"), MciError::InvalidDeviceName);

        QCOMPARE(device.sendString(openCommand(tunePath())), 0);
        QCOMPARE(device.sendString("status bgm length", &reply), MciError::UnrecognizedKeyword);
        QCOMPARE(device.sendString("play bgm from 500"), MciError::UnsupportedFunction);
        QCOMPARE(device.sendString("pause bgm"), MciError::UnrecognizedCommand);
        QCOMPARE(reply, "previous");
        QCOMPARE(device.sendString("close bgm"), 0);
        QCOMPARE(device.sendString("close bgm"), MciError::InvalidDeviceName);
        QCOMPARE(device.sendString("stop bgm"), MciError::InvalidDeviceName);
        QCOMPARE(device.openDeviceCount(), 0);
    }

    void openFailures()
    {
        QTemporaryDir dir;
        QFile text(dir.filePath("notes.mid"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a tune\n");
        text.close();

        FluidSynthSoundDevice device(offline());
        QCOMPARE(device.sendString(openCommand(dir.filePath("missing.mid"))), MciError::FileNotFound);
        QCOMPARE(device.sendString(openCommand(dir.path())), MciError::FileNotFound);
        QCOMPARE(device.sendString(openCommand(text.fileName())), MciError::InvalidFile);
        QCOMPARE(device.openDeviceCount(), 0);

        FluidSynthSoundDevice::Options noSoundFont = offline();
        noSoundFont.soundFonts = {dir.filePath("none.sf2")};
        FluidSynthSoundDevice mute(noSoundFont);
        QCOMPARE(mute.sendString(openCommand(tunePath())), MciError::DeviceNotInstalled);
        QCOMPARE(mute.openDeviceCount(), 0);
    }

    // A path may come with Windows separators, and its folders may be named
    // in any script: "ソ" ends in a backslash byte in CP932, and the other
    // two names cannot be written in CP932 at all.
    void pathsWithWindowsSeparatorsAndAnyFolderName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Japanese") << QStringLiteral("ソフト表");
        QTest::newRow("German") << QStringLiteral("Müller");
        QTest::newRow("Korean") << QStringLiteral("사용자");
    }
    void pathsWithWindowsSeparatorsAndAnyFolderName()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/' + name;
        QVERIFY(QDir().mkpath(folder + "/Sound"));
        QVERIFY(QFile::copy(tunePath(), folder + "/Sound/Kouka.mid"));

        FluidSynthSoundDevice device(offline());
        QCOMPARE(device.sendString(openCommand(folder + QStringLiteral("\\Sound\\Kouka.mid"))), 0);
        QCOMPARE(device.sendString("play bgm"), 0);
        QVERIFY(renderFor(device, 0.5).rms > 300);
    }

    void noAudioOutputFailsOpenAndKeepsNothing()
    {
        FluidSynthSoundDevice::Options options;
        options.audioDrivers = {QStringLiteral("nosuchdriver")};
        FluidSynthSoundDevice device(options);
        QCOMPARE(device.sendString(openCommand(tunePath())), MciError::NoAudioOutput);
        QCOMPARE(device.openDeviceCount(), 0);
        QCOMPARE(device.sendString("play bgm"), MciError::InvalidDeviceName);
        std::vector<int16_t> samples;
        QVERIFY(!device.renderOffline(kStep, &samples));

        // The machine's own drivers: on a build machine without sound this
        // fails like the above; where there is sound it opens.
        FluidSynthSoundDevice desktop;
        QElapsedTimer timer;
        timer.start();
        const int code = desktop.sendString(openCommand(tunePath()));
        qInfo("audio output open: code %d in %lld ms", code, timer.elapsed());
        QVERIFY(code == 0 || code == MciError::NoAudioOutput);
        QCOMPARE(desktop.openDeviceCount(), code == 0 ? 1 : 0);
        QCOMPARE(desktop.sendString("close bgm"), code == 0 ? 0 : MciError::InvalidDeviceName);
    }

    // The alert opens the device at every announcement and closes it when it
    // ends, and without audio output every open fails after making its
    // synthesizer: however often that happens, it must leave no memory behind.
    void repeatedOpensLeaveNoMemoryBehind()
    {
#ifdef __GLIBC__
        FluidSynthSoundDevice::Options options;
        options.audioDrivers = {QStringLiteral("nosuchdriver")};
        FluidSynthSoundDevice device(options);
        const auto openTimes = [&device](int times) {
            for (int i = 0; i < times; ++i)
                if (device.sendString(openCommand(tunePath())) != MciError::NoAudioOutput)
                    return false;
            return true;
        };
        QVERIFY(openTimes(10)); // the libraries' one-time set-up
        const qint64 before = qint64(mallinfo2().uordblks);
        QVERIFY(openTimes(200));
        const qint64 grown = qint64(mallinfo2().uordblks) - before;
        qInfo("heap in use after 200 more opens: %+lld bytes", grown);
        QVERIFY2(grown < 64 * 1024, qPrintable(QString::number(grown)));
#else
        QSKIP("needs glibc's heap statistics");
#endif
    }
};

QTEST_GUILESS_MAIN(SoundDeviceTest)
#include "sound_device_test.moc"
