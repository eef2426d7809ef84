// Kills a process while it writes each settings file, a thousand times in
// all (PAWMELO_KILLS sets another count), and checks the file after every
// kill: it holds, byte for byte, either the last version whose write had
// returned or the next one; the account file stays its owner's alone; and a
// leftover of the killed write is gone once the next write has been made.

#include "settings/settings_writes.h"
#include "support/file_bytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

Q_DECLARE_METATYPE(SettingsKind)

namespace {
QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

int killsPerKind()
{
    const int total =
        qEnvironmentVariableIsSet("PAWMELO_KILLS") ? qEnvironmentVariableIntValue("PAWMELO_KILLS") : 1000;
    return std::max(1, total / 4);
}
} // namespace

class SettingsKillTest final : public QObject
{
    Q_OBJECT

private slots:
    void everyKillLeavesOneWholeVersion_data()
    {
        QTest::addColumn<SettingsKind>("kind");
        for (int kind = 0; kind < kSettingsKindNames.size(); ++kind)
            QTest::newRow(qPrintable(kSettingsKindNames[kind])) << SettingsKind(kind);
    }

    void everyKillLeavesOneWholeVersion()
    {
        QFETCH(SettingsKind, kind);
        const QString writer = QCoreApplication::applicationDirPath() + QStringLiteral("/settings_writer");
        QVERIFY(QFileInfo(writer).isExecutable());

        QTemporaryDir program;
        QTemporaryDir reference;
        SetUpSettingsFolder(kind, program.path());
        SetUpSettingsFolder(kind, reference.path());
        const QString file = SettingsFileOf(kind, program.path());
        const QString folder = QFileInfo(file).absolutePath();
        const QStringList settled = filesIn(folder);
        QCOMPARE(settled, QStringList{QFileInfo(file).fileName()});

        // What version n of the file holds, made by the same calls.
        QHash<int, QByteArray> versions;
        const auto expected = [&](int version) {
            if (!versions.contains(version)) {
                WriteSettingsVersion(kind, reference.path(), version);
                versions.insert(version, readBytes(SettingsFileOf(kind, reference.path())));
            }
            return versions.value(version);
        };

        int version = 0;   // the version the file holds
        int midWrite = 0;  // kills after which the next version was already in place
        int written = 0;   // versions written by the killed processes
        int leftovers = 0; // kills that left a file beside the settings file
        QElapsedTimer timer;
        timer.start();
        QRandomGenerator random(QRandomGenerator::global()->generate());
        const int kills = killsPerKind();
        for (int kill = 0; kill < kills; ++kill) {
            QProcess process;
            process.start(writer,
                          {kSettingsKindNames[int(kind)], program.path(), QString::number(version + 1)});
            QByteArray said;
            while (!said.contains("ready\n") && process.waitForReadyRead(10000))
                said += process.readAllStandardOutput();
            QVERIFY2(said.contains("ready\n"), qPrintable(process.readAllStandardError()));
            // A few milliseconds: anywhere within the first writes.
            QThread::usleep(random.bounded(4000));
            process.kill();
            QVERIFY(process.waitForFinished(10000));
            said += process.readAllStandardOutput();
            QCOMPARE(process.exitStatus(), QProcess::CrashExit);

            const QList<QByteArray> lines = said.trimmed().split('\n');
            bool ok = true;
            const int returned = lines.size() > 1 ? lines.last().toInt(&ok) : version;
            QVERIFY(ok);
            written += returned - version;
            const QByteArray now = readBytes(file);
            if (now == expected(returned + 1)) {
                ++midWrite;
                version = returned + 1;
            } else {
                QVERIFY2(now == expected(returned),
                         qPrintable(QStringLiteral("kill %1: after version %2 returned the file holds\n%3")
                                        .arg(kill)
                                        .arg(returned)
                                        .arg(QString::fromLatin1(now.toPercentEncoding(" =[]:\r\n")))));
                version = returned;
            }
            if (kind == SettingsKind::Account)
                QCOMPARE(QFile::permissions(file).toInt() & 0x7077, 0x6000);

            if (filesIn(folder) != settled) {
                ++leftovers;
                QVERIFY(WriteSettingsVersion(kind, program.path(), ++version));
                QCOMPARE(readBytes(file), expected(version));
                QCOMPARE(filesIn(folder), settled);
            }
        }
        qInfo("%s: %d kills in %.1f s, %d versions written by the killed writers, %d kills with the next "
              "version already in place, %d with a file left beside it (gone after the next write)",
              qPrintable(kSettingsKindNames[int(kind)]), kills, timer.elapsed() / 1000.0, written, midWrite,
              leftovers);
    }
};

QTEST_GUILESS_MAIN(SettingsKillTest)
#include "settings_kill_test.moc"
