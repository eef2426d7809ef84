#pragma once

#include <QByteArrayView>
#include <QFileDevice>
#include <QLatin1StringView>
#include <QString>

// Replacing a settings file so that it holds, at every moment, either its old
// content or the new one, whole, even when the process is killed halfway or
// the disk is full.
//
// The new content is first saved whole under a staging name beside the file
// ("<name>.pawmelo-new", itself written through QSaveFile: a synced unnamed
// file linked in at once) and then renamed over the file. The rename happens
// only once every byte is known to be on the disk: each write is checked
// (unbuffered, so a full disk shows at the write, not at a flush nobody
// reads), the staging file's size is compared with the content, and the file
// is synced. A commit alone is not enough: QSaveFile can report success for
// a file whose buffered bytes never reached the disk.
//
// A kill can leave the staging file behind, or, should it fall between the
// two steps of QSaveFile's own commit over an old staging file, QSaveFile's
// temporary "<name>.pawmelo-new.XXXXXX". The next replacement of the same
// file removes both: the staging file is renamed away as usual, and the
// temporaries of the file's own staging name are deleted first. Nothing
// else in the folder is touched, since no other file can carry that name by
// chance.

/// What the staging name adds to the file's name.
inline constexpr QLatin1StringView kStagingSuffix(".pawmelo-new");

/// Which files the mode given to ReplaceFile is for.
enum class FileModeRule
{
    /// A new file gets the mode; an existing one keeps its own.
    NewFile,
    /// Every replacement gets exactly the mode, whatever the old file had
    /// (a file that must stay private however it was made).
    EveryWrite,
};

/// Replaces the file at `path` with `content`. The mode is `mode` for a new
/// file (or for every write, under FileModeRule::EveryWrite); an existing
/// file otherwise keeps its mode, widened to let its owner read and write
/// it, so that what was saved can be read and saved again. The folder is
/// never created. Returns false when the content could not be saved whole
/// or put in place; the file then keeps its old content.
bool ReplaceFile(const QString& path, QByteArrayView content, QFileDevice::Permissions mode,
                 FileModeRule rule = FileModeRule::NewFile);
