#include "platform/process_launcher.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

bool ProcessLauncher::startDetached(const QString& commandLine)
{
    // A path to an existing program is run as it stands, spaces and
    // all; anything else is split like a shell command line.
    const QFileInfo whole(commandLine);
    if (whole.isFile() && whole.isExecutable())
        return QProcess::startDetached(whole.absoluteFilePath(), {});
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        return false;
    const QString program = parts.takeFirst();
    return QProcess::startDetached(program, parts);
}
