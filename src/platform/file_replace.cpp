#include "platform/file_replace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {
constexpr QFileDevice::Permissions kModeBits =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
    QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther |
    QFileDevice::ExeOther;
// QSaveFile's temporaries are its target's name, a dot and six letters or digits.
constexpr qsizetype kRandomLength = 6;

bool isLetterOrDigit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// Deletes "<staging name>.XXXXXX" files that a killed write left behind.
void removeStagingTemporaries(const QFileInfo& staging)
{
    const QString prefix = staging.fileName() + u'.';
    const QDir folder = staging.absoluteDir();
    // Compared by hand: a name filter would read wildcards in the file's name.
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.size() != prefix.size() + kRandomLength || !name.startsWith(prefix))
            continue;
        if (std::all_of(name.cbegin() + prefix.size(), name.cend(), isLetterOrDigit))
            QFile::remove(folder.filePath(name));
    }
}
} // namespace

bool ReplaceFile(const QString& path, QByteArrayView content, QFileDevice::Permissions newFileMode)
{
    QFileInfo target(path);
    // A settings file that links to a file elsewhere stays a link: the file
    // it points to is the one replaced, beside itself, as QSaveFile does.
    if (target.isSymLink() && !target.canonicalFilePath().isEmpty())
        target = QFileInfo(target.canonicalFilePath());
    if (!target.absoluteDir().exists())
        return false;
    const QFileDevice::Permissions mode = target.exists() ? target.permissions() & kModeBits : newFileMode;
    const QFileInfo staging(target.filePath() + kStagingSuffix);
    removeStagingTemporaries(staging);

    QSaveFile file(staging.filePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Set before any byte is written, so the content never shows with looser access.
    file.setPermissions(mode);
    if (file.write(content.data(), content.size()) != content.size() || !file.commit())
        return false;
    if ((QFile::permissions(staging.filePath()) & kModeBits) != (mode & kModeBits))
        QFile::setPermissions(staging.filePath(), mode);
    // Renaming over the file is atomic; QFile::rename would refuse an existing target.
    std::error_code error;
    std::filesystem::rename(staging.filesystemFilePath(), target.filesystemFilePath(), error);
    if (error) {
        QFile::remove(staging.filePath());
        return false;
    }
    return true;
}
