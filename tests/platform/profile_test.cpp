#include "base/ansi.h"
#include "platform/profile.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
using P = QFileDevice::Permission;
const QFileDevice::Permissions kMode600 = P::ReadOwner | P::WriteOwner;
const QFileDevice::Permissions kMode640 = kMode600 | P::ReadGroup;
const QFileDevice::Permissions kModeBits = kMode600 | P::ExeOwner | P::ReadGroup | P::WriteGroup |
                                           P::ExeGroup | P::ReadOther | P::WriteOther | P::ExeOther;

} // namespace

class ProfileTest final : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

private slots:
    void init() { m_file = m_dir.filePath(QString("t%1.ini").arg(QTest::currentTestFunction())); }

    void readsAndRewritesKeepingEverythingElse()
    {
        writeBytes(m_file, "; top\r\n[Other]\r\nNAME=other\r\n\r\n[exeini]\r\n  Name = first \r\n"
                           "name=second\nnumber2=1.5\r; tail note\n[Last]\r\nx=1");
        QCOMPARE(Profile::getString(m_file, "EXEINI", "NAME", "d", 256), QByteArray(" first "));
        QCOMPARE(Profile::getString(m_file, "Exeini", "Number2", "d", 256), QByteArray("1.5"));
        QCOMPARE(Profile::getString(m_file, "EXEINI", "x", "d", 256), QByteArray("d"));
        QCOMPARE(Profile::getInt(m_file, "last", "X", 9), 1);

        QVERIFY(Profile::writeString(m_file, "EXEINI", "NAME", "new", kMode600));
        QVERIFY(Profile::writeString(m_file, "EXEINI", "NUMBER", "2", kMode600));
        QVERIFY(Profile::writeString(m_file, "Fresh", "K", "v", kMode600));
        QCOMPARE(readBytes(m_file),
                 QByteArray("; top\r\n[Other]\r\nNAME=other\r\n\r\n[exeini]\r\nNAME=new\r\n"
                            "name=second\r\nnumber2=1.5\r\nNUMBER=2\r\n; tail note\r\n"
                            "[Last]\r\nx=1\r\n[Fresh]\r\nK=v\r\n"));
    }

    void wholeNumbers()
    {
        writeBytes(m_file, "[S]\r\na=1.5\r\nb=15abc\r\nc=abc\r\nd= -3\r\ne=99999999999\r\n");
        const QList<std::pair<const char*, int>> cases{
            {"a", 1}, {"b", 15}, {"c", 0}, {"d", -3}, {"e", std::numeric_limits<int>::max()}, {"none", 7}};
        for (const auto& [key, expected] : cases)
            QCOMPARE(Profile::getInt(m_file, "S", key, 7), expected);
    }

    void valuesReadBackUnchanged()
    {
        const QByteArray japanese = ToAnsi(u"新着メール ★ソ表～");
        const QList<QByteArray> values{"  a = b  ", "\"quoted\"", "", "; not a comment", japanese};
        for (const QByteArray& value : values) {
            QVERIFY(Profile::writeString(m_file, "EXEINI", "K", value, kMode600));
            QCOMPARE(Profile::getString(m_file, "EXEINI", "K", "d", 256), value);
        }
        QCOMPARE(FromAnsi(Profile::getString(m_file, "EXEINI", "k", "", 256)),
                 QStringLiteral("新着メール ★ソ表～"));
    }

    void doubleByteNamesAndBufferCut()
    {
        // ア is 83 41 and ヂ is 83 61: their second bytes look like 'A' and 'a'.
        // ゾ is 83 5D, whose second byte looks like ']'.
        const QByteArray a = ToAnsi(u"ア"), lookalike = ToAnsi(u"ヂ"), section = ToAnsi(u"ゾ");
        QVERIFY(Profile::writeString(m_file, section, a, "1", kMode600));
        QCOMPARE(Profile::getInt(m_file, section, a, 0), 1);
        QCOMPARE(Profile::getInt(m_file, section, lookalike, 0), 0);

        const QByteArray split = QByteArray(254, 'x') + ToAnsi(u"あ") + "tail";
        QVERIFY(Profile::writeString(m_file, "S", "split", split, kMode600));
        QVERIFY(Profile::writeString(m_file, "S", "long", QByteArray(300, 'y'), kMode600));
        QCOMPARE(Profile::getString(m_file, "S", "split", "", 256), QByteArray(254, 'x'));
        QCOMPARE(Profile::getString(m_file, "S", "long", "", 256), QByteArray(255, 'y'));
        QCOMPARE(Profile::getString(m_file, "S", "none", QByteArray(300, 'z'), 256), QByteArray(255, 'z'));
    }

    void namesEndingInALeadByte()
    {
        // A key whose last byte starts a double-byte character matches itself,
        // so a second write replaces the line instead of adding another.
        const QByteArray key("a\x81");
        QVERIFY(Profile::writeString(m_file, "S", key, "1", kMode600));
        QVERIFY(Profile::writeString(m_file, "S", key, "2", kMode600));
        QCOMPARE(readBytes(m_file), QByteArray("[S]\r\na\x81=2\r\n"));
        QCOMPARE(Profile::getInt(m_file, "S", key, 0), 2);

        // Such a section name would swallow its own ']': it cannot be stored.
        const QByteArray before = readBytes(m_file);
        QVERIFY(!Profile::writeString(m_file, QByteArray("T\x81"), "k", "v", kMode600));
        QCOMPARE(readBytes(m_file), before);
        // A whole double-byte character at the end is fine.
        QVERIFY(Profile::writeString(m_file, QByteArray("T\x81\x81"), "k", "v", kMode600));
        QVERIFY(Profile::writeString(m_file, QByteArray("T\x81\x81"), "k", "w", kMode600));
        QCOMPARE(Profile::getString(m_file, QByteArray("T\x81\x81"), "k", "", 256), QByteArray("w"));
        QCOMPARE(readBytes(m_file), before + "[T\x81\x81]\r\nk=w\r\n");
    }

    void lineBreaksCannotCorruptTheFile()
    {
        QVERIFY(Profile::writeString(m_file, "S", "A", "one\r\nB=evil", kMode600));
        QVERIFY(Profile::writeString(m_file, "S", "C", "two\nthree", kMode600));
        QVERIFY(Profile::writeString(m_file, "S", "D", QByteArray("four\0five", 9), kMode600));
        const QByteArray before = readBytes(m_file);
        QCOMPARE(before, QByteArray("[S]\r\nA=one\r\nC=two\r\nD=four\r\n"));
        const QList<std::pair<const char*, const char*>> unstorable{{"S", "E=F"}, {"S", "E\nF"}, {"S]", "E"},
                                                                    {"S", " "},   {"S", "[T]"},  {"", "E"}};
        for (const auto& [section, key] : unstorable)
            QVERIFY(!Profile::writeString(m_file, section, key, "x", kMode600));
        // Keys written together are all refused for one that cannot be stored.
        QVERIFY(!Profile::writeStrings(m_file, "S", {{"G", "1"}, {"E=F", "x"}}, kMode600));
        QCOMPARE(readBytes(m_file), before);
    }

    // The UTF-8 byte-order mark an editor may put first hides no section,
    // and stays where it was.
    void byteOrderMark()
    {
        writeBytes(m_file, "\xEF\xBB\xBF[EXEINI]\r\nNUMBER2=15\r\n");
        QCOMPARE(Profile::getInt(m_file, "EXEINI", "NUMBER2", 0), 15);
        QVERIFY(Profile::writeString(m_file, "EXEINI", "NUMBER2", "0", kMode600));
        QVERIFY(Profile::writeStrings(m_file, "EXEINI", {{"NUMBER", "1"}, {"NAME", "x"}}, kMode600));
        QCOMPARE(readBytes(m_file),
                 QByteArray("\xEF\xBB\xBF[EXEINI]\r\nNUMBER2=0\r\nNUMBER=1\r\nNAME=x\r\n"));
    }

    void missingFolderIsNeverCreated()
    {
        const QString inMissing = m_dir.filePath("nofolder/x.ini");
        QCOMPARE(Profile::getInt(inMissing, "S", "k", 5), 5);
        QCOMPARE(Profile::getString(inMissing, "S", "k", "def", 256), QByteArray("def"));
        QVERIFY(!Profile::writeString(inMissing, "S", "k", "v", kMode600));
        QVERIFY(!QDir(m_dir.filePath("nofolder")).exists());
        // A folder where the file should be is no file either.
        QVERIFY(QDir(m_dir.path()).mkdir("dir.ini"));
        QVERIFY(!Profile::writeString(m_dir.filePath("dir.ini"), "S", "k", "v", kMode600));
    }

    void modesAndAtomicReplace()
    {
        QVERIFY(Profile::writeString(m_file, "S", "k", "v", kMode600));
        QCOMPARE(QFile::permissions(m_file) & kModeBits, kMode600);

        QVERIFY(QFile::setPermissions(m_file, kMode640));
        QFile old(m_file);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QVERIFY(Profile::writeString(m_file, "S", "k", "changed", kMode600));
        QCOMPARE(QFile::permissions(m_file) & kModeBits, kMode640);
        // The file was replaced by a new one, not rewritten in place: a reader
        // that had it open still sees the whole old content.
        QCOMPARE(old.readAll(), QByteArray("[S]\r\nk=v\r\n"));
        QCOMPARE(readBytes(m_file), QByteArray("[S]\r\nk=changed\r\n"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(QTest::currentTestFunction()).size(), 1);
    }

    void hugeFileIsLeftAlone()
    {
        const QByteArray big = "[S]\r\nk=1\r\n" + QByteArray(Profile::MaxFileSize, ';');
        writeBytes(m_file, big);
        QCOMPARE(Profile::getInt(m_file, "S", "k", 4), 4);
        QVERIFY(!Profile::writeString(m_file, "S", "k", "2", kMode600));
        QCOMPARE(QFileInfo(m_file).size(), big.size());
    }
};

QTEST_GUILESS_MAIN(ProfileTest)
#include "profile_test.moc"
