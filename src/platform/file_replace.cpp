#include "platform/file_replace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

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

// Writes every byte of `content` and syncs it; false at the first sign that
// some byte did not reach the disk (a full disk shows here as a failed
// write, a short file or a failed sync).
bool writeWhole(QSaveFile& file, QByteArrayView content)
{
    qsizetype written = 0;
    while (written < content.size()) {
        const qint64 count = file.write(content.data() + written, content.size() - written);
        if (count <= 0)
            return false;
        written += count;
    }
    return file.flush() && file.size() == content.size() && file.handle() >= 0 && ::fsync(file.handle()) == 0;
}

// Makes the rename itself last through a power cut. Only a wish: some file
// systems cannot sync a folder, and either name holds a whole file anyway.
void syncFolder(const QString& folder)
{
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}
} // namespace

bool ReplaceFile(const QString& path, QByteArrayView content, QFileDevice::Permissions mode,
                 FileModeRule rule)
{
    QFileInfo target(path);
    // A settings file that links to a file elsewhere stays a link: the file
    // it points to is the one replaced, beside itself, as QSaveFile does.
    if (target.isSymLink() && !target.canonicalFilePath().isEmpty())
        target = QFileInfo(target.canonicalFilePath());
    if (!target.absoluteDir().exists())
        return false;
    // The owner can always read back what was saved: a file whose mode shut
    // its owner out would otherwise stay unreadable, and a read would see a
    // missing file where a saved one stands.
    const QFileDevice::Permissions fileMode =
        rule == FileModeRule::EveryWrite || !target.exists()
            ? mode
            : (target.permissions() & kModeBits) | QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileInfo staging(target.filePath() + kStagingSuffix);
    removeStagingTemporaries(staging);

    // Unbuffered: every write goes to the file at once and its failure is
    // seen, where a buffered one could fail unseen when the buffer is flushed.
    QSaveFile file(staging.filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    // Set before any byte is written, so the content never shows with looser access.
    file.setPermissions(fileMode);
    // A file given up before its commit is discarded, and the old file stays.
    if (!writeWhole(file, content) || !file.commit())
        return false;
    if ((QFile::permissions(staging.filePath()) & kModeBits) != (fileMode & kModeBits))
        QFile::setPermissions(staging.filePath(), fileMode);
    // Renaming over the file is atomic; QFile::rename would refuse an existing target.
    std::error_code error;
    std::filesystem::rename(staging.filesystemFilePath(), target.filesystemFilePath(), error);
    if (error) {
        QFile::remove(staging.filePath());
        return false;
    }
    syncFolder(target.absolutePath());
    return true;
}
