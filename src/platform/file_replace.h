#pragma once

#include <QByteArrayView>
#include <QFileDevice>
#include <QLatin1StringView>
#include <QString>

// Replacing a settings file so that it holds, at every moment, either its old
// content or the new one, whole, even when the process is killed halfway.
//
// The new content is first saved whole under a staging name beside the file
// ("<name>.pawmelo-new", itself written through QSaveFile: a synced unnamed
// file linked in at once) and then renamed over the file. A kill can leave
// the staging file behind, or, should it fall between the two steps of
// QSaveFile's own commit over an old staging file, QSaveFile's temporary
// "<name>.pawmelo-new.XXXXXX". The next replacement of the same file removes
// both: the staging file is renamed away as usual, and the temporaries of the
// file's own staging name are deleted first. Nothing else in the folder is
// touched, since no other file can carry that name by chance.

/// What the staging name adds to the file's name.
inline constexpr QLatin1StringView kStagingSuffix(".pawmelo-new");

/// Replaces the file at `path` with `content`. A new file gets
/// `newFileMode`; an existing one keeps its mode. The folder is never
/// created. Returns false when the content could not be saved or put in
/// place; the file then keeps its old content.
bool ReplaceFile(const QString& path, QByteArrayView content, QFileDevice::Permissions newFileMode);
