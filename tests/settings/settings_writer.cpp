// Helper of settings_kill_test: writes one kind of settings file over and
// over, version after version, until it is killed.
//
//   settings_writer KIND FOLDER FIRST_VERSION
//
// Prints "ready" once it is about to write, then the number of every version
// whose write has returned, one a line, unbuffered.

#include "settings/settings_writes.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype kind = args.size() == 4 ? kSettingsKindNames.indexOf(args[1]) : -1;
    bool numbered = false;
    int version = args.size() == 4 ? args[3].toInt(&numbered) : 0;
    if (kind < 0 || !numbered) {
        std::fprintf(stderr,
                     "usage: settings_writer preferences|account|companion|servers FOLDER FIRST_VERSION\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("ready\n");
    for (;; ++version) {
        if (!WriteSettingsVersion(SettingsKind(kind), args[2], version)) {
            std::fprintf(stderr, "version %d was not written\n", version);
            return 1;
        }
        std::printf("%d\n", version);
    }
}
