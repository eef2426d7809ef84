// The servers file keys every address form apart, reads what earlier
// versions wrote, remembers TLS for a whole host, and holds for the run
// what it cannot write.
#include "settings/server_trust_file.h"
#include "support/file_bytes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
Pop3Address at(const QString& text)
{
    return *ParsePop3Address(text);
}
} // namespace

class ServerTrustFileTest final : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void everyAddressFormHasAKeyOfItsOwn()
    {
        const QString file = m_dir.filePath("servers.ini");
        writeBytes(file, "[PINS]\r\nOld.Example.JP:995=aa\r\n[TLS]\r\nold.example.jp:995=1\r\n");
        ServerTrustFile trust(file);
        QVERIFY(trust.pin(at(u"[::1]:995"_s), "v6"));
        QVERIFY(trust.pin(at(u"日本.test:995"_s), "jp"));
        QVERIFY(trust.pin(at(u"Mail.Example.JP:995"_s), "mail"));
        QCOMPARE(trust.pinnedFingerprint(at(u"[0:0::1]:995"_s)), QByteArray("v6"));
        QCOMPARE(trust.pinnedFingerprint(at(u"中国.test:995"_s)), QByteArray());
        QCOMPARE(trust.pinnedFingerprint(at(u"mail.example.jp.:995"_s)), QByteArray("mail"));
        QCOMPARE(trust.pinnedFingerprint(at(u"old.example.jp:995"_s)), QByteArray("aa"));
        QVERIFY(readBytes(file).contains("%5B::1%5D:995=v6\r\nxn--wgv71a.test:995=jp\r\n"));

        // A host that did TLS on one port is held to it on every port.
        QVERIFY(trust.spokeTls(at(u"OLD.example.jp:110"_s)));
        trust.noteTls(at(u"pop3s://[::1]"_s), false);
        QVERIFY(trust.spokeTls(at(u"[::1]:110"_s)) && !trust.systemVerified(at(u"[::1]:110"_s)));
        QVERIFY(!trust.spokeTls(at(u"[::2]:110"_s)));
    }

    void whatCannotBeWrittenHoldsForTheRun()
    {
        ServerTrustFile trust(m_dir.filePath("missing/servers.ini"));
        QVERIFY(!trust.pin(at(u"pop.example.jp:995"_s), "ab"));
        trust.noteTls(at(u"pop.example.jp:995"_s), true);
        QCOMPARE(trust.pinnedFingerprint(at(u"pop.example.jp:995"_s)), QByteArray("ab"));
        QVERIFY(trust.spokeTls(at(u"pop.example.jp:110"_s)) && trust.systemVerified(at(u"pop.example.jp"_s)));
    }
};

QTEST_GUILESS_MAIN(ServerTrustFileTest)
#include "server_trust_file_test.moc"
