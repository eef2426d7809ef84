#include "platform/file_replace.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
using P = QFileDevice::Permission;
const QFileDevice::Permissions kMode600 = P::ReadOwner | P::WriteOwner;
const QFileDevice::Permissions kMode644 = kMode600 | P::ReadGroup | P::ReadOther;
// Owner, group and other bits; QFile::permissions() also reports the "user" bits.
constexpr int kModeMask = 0x7077;
} // namespace

class FileReplaceTest final : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private slots:
    void init()
    {
        for (const QString& name : files())
            QFile::remove(path(name));
    }

    void leftoversOfAKilledWriteGoWithTheNextWrite()
    {
        writeBytes(path("a.ini"), "old");
        // What a kill can leave: the staging file (between the save and the
        // rename) and QSaveFile's temporary of it; beside them, files that
        // only look alike and must stay.
        writeBytes(path("a.ini.pawmelo-new"), "half of a new");
        writeBytes(path("a.ini.pawmelo-new.Ab12Cd"), "half");
        const QStringList others{"a.ini.backup", "a.ini.pawmelo-new.Ab12Cde", "a.ini.pawmelo-new.Ab-2Cd",
                                 "b.ini.pawmelo-new.Ab12Cd", "a.ini.Ab12Cd"};
        for (const QString& other : others)
            writeBytes(path(other), "keep");

        QVERIFY(ReplaceFile(path("a.ini"), "new", kMode600));
        QCOMPARE(readBytes(path("a.ini")), QByteArray("new"));
        QStringList expected = others;
        expected.append("a.ini");
        expected.sort();
        QCOMPARE(files(), expected);
    }

    void modes()
    {
        QVERIFY(ReplaceFile(path("new.ini"), "x", kMode600));
        QCOMPARE(QFile::permissions(path("new.ini")).toInt() & kModeMask, 0x6000);
        // An existing file keeps its mode; a stale staging file that anyone
        // may read lends the new content none of its access.
        QVERIFY(QFile::setPermissions(path("new.ini"), kMode600 | P::ReadGroup));
        writeBytes(path("new.ini.pawmelo-new"), "stale");
        QVERIFY(QFile::setPermissions(path("new.ini.pawmelo-new"), kMode644 | P::WriteOther));
        QVERIFY(ReplaceFile(path("new.ini"), "y", kMode644));
        QCOMPARE(QFile::permissions(path("new.ini")).toInt() & kModeMask, 0x6040);
        QCOMPARE(files(), QStringList{"new.ini"});
    }

    void aLinkStaysALink()
    {
        QVERIFY(QDir(m_dir.path()).mkdir("elsewhere"));
        writeBytes(path("elsewhere/real.ini"), "old");
        QVERIFY(QFile::link(path("elsewhere/real.ini"), path("link.ini")));
        QVERIFY(ReplaceFile(path("link.ini"), "new", kMode600));
        QVERIFY(QFileInfo(path("link.ini")).isSymLink());
        QCOMPARE(readBytes(path("elsewhere/real.ini")), QByteArray("new"));
        QCOMPARE(QDir(path("elsewhere")).entryList(QDir::Files | QDir::Hidden), QStringList{"real.ini"});
        QVERIFY(QFile::remove(path("link.ini")));
        QVERIFY(QDir(path("elsewhere")).removeRecursively());
    }

    void failureLeavesTheOldStateAndNoLeftovers()
    {
        QVERIFY(!ReplaceFile(path("nofolder/x.ini"), "x", kMode600));
        QVERIFY(!QDir(path("nofolder")).exists());
        // A folder where the file should be cannot be replaced by a file.
        QVERIFY(QDir(m_dir.path()).mkdir("dir.ini"));
        QVERIFY(!ReplaceFile(path("dir.ini"), "x", kMode600));
        QVERIFY(QFileInfo(path("dir.ini")).isDir());
        QCOMPARE(files(), QStringList{});
        QVERIFY(QDir(path("dir.ini")).removeRecursively());
    }
};

QTEST_GUILESS_MAIN(FileReplaceTest)
#include "file_replace_test.moc"
