// The settings files on arbitrary text: what the program lets the user keep
// (UnstorableTextMessage says nothing against it) comes back unchanged, both
// from kestra.ini (export, then import) and from the preferences and account
// files (WriteSettingText, then ReadSettingText); an arbitrary kestra.ini
// imports without harm and its values survive another export and import,
// byte for byte.
//
// Input: byte 0 picks the test (0: export and import of four values, 1: an
// arbitrary kestra.ini, 2: a settings file); the rest are fields separated by
// 0x1E, text in UTF-8: for 0 the SMTP server, POP3 server, mail address and
// two bytes of the APOP number; for 1 the file's bytes; for 2 the key (empty:
// one of the program's) and the value.

#include "base/ansi.h"
#include "fuzz/fuzz_support.h"
#include "settings/settings_files.h"

#include <QFile>
#include <cstring>

namespace {
bool keeps(const QString& text, TextStore store)
{
    return UnstorableTextMessage(QStringLiteral("x"), text, store).isEmpty();
}

const MailerSettings kSentinel{QStringLiteral("unset smtp"), QStringLiteral("unset pop"),
                               QStringLiteral("unset mail"), -7};

// Exports, imports into fresh settings and checks every value the user
// could have kept came back.
void roundTrip(const QString& folder, const MailerSettings& settings)
{
    FUZZ_CHECK(ExportMailerSettings(folder, settings));
    MailerSettings back = kSentinel;
    ImportMailerSettings(folder, back);
    const std::pair<const QString*, const QString*> fields[] = {{&settings.SmtpServer, &back.SmtpServer},
                                                                {&settings.PopServer, &back.PopServer},
                                                                {&settings.MailAddress, &back.MailAddress}};
    for (const auto& [sent, got] : fields) {
        if (keeps(*sent, TextStore::MailerFile))
            FUZZ_CHECK(*got == *sent, "exported '%s', imported '%s'",
                       sent->toUtf8().toPercentEncoding().constData(),
                       got->toUtf8().toPercentEncoding().constData());
        FUZZ_CHECK(got->size() <= 100);
    }
    // Values still as they were imported went back as the bytes they came from.
    QByteArray MailerFileBytes::*const bytes[] = {&MailerFileBytes::SmtpServer, &MailerFileBytes::PopServer,
                                                  &MailerFileBytes::MailAddress};
    for (std::size_t i = 0; i < std::size(bytes); ++i) {
        const QByteArray& sent = settings.FileBytes.*bytes[i];
        if (IsImportedText(*fields[i].first, sent))
            FUZZ_CHECK(back.FileBytes.*bytes[i] == sent, "imported '%s'", Printable(sent).constData());
    }
    FUZZ_CHECK(back.UseApop == settings.UseApop, "APOP %d came back as %d", settings.UseApop, back.UseApop);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    const QString folder = ScratchFolder();
    switch (data[0] % 3) {
    case 0: {
        const QList<QByteArrayView> fields = SplitFields(input, 4);
        MailerSettings settings{QString::fromUtf8(fields[0]), QString::fromUtf8(fields[1]),
                                QString::fromUtf8(fields[2]), 0};
        const QByteArray apop = fields[3].toByteArray().leftJustified(2, '\0', true);
        std::memcpy(&settings.UseApop, apop.constData(), 2);
        roundTrip(folder, settings);
        break;
    }
    case 1: {
        QFile file(folder + QStringLiteral("/kestra.ini"));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(input.data(), input.size()) == input.size());
        file.close();
        MailerSettings settings = kSentinel;
        ImportMailerSettings(folder, settings);
        for (const QString* value : {&settings.SmtpServer, &settings.PopServer, &settings.MailAddress})
            FUZZ_CHECK(value->size() <= 100 && !value->contains(u'\r'));
        roundTrip(folder, settings);
        break;
    }
    case 2: {
        const QList<QByteArrayView> fields = SplitFields(input, 2);
        const QString key = fields[0].isEmpty() ? QStringLiteral("NAME2") : QString::fromUtf8(fields[0]);
        const QString text = QString::fromUtf8(fields[1]);
        const QString account = folder + QStringLiteral("/iniIdPass.ini");
        QFile::remove(account);
        WriteSettingText(account, QStringLiteral("NAME"), QStringLiteral("kept"));
        WriteSettingText(account, key, text);
        FUZZ_CHECK((QFile::permissions(account) & 0x7077) == 0x6000, "the account file is its owner's alone");
        const QString readBack = ReadSettingText(account, key, QStringLiteral("<none>"));
        if (fields[0].isEmpty() && keeps(text, TextStore::SettingsFile))
            FUZZ_CHECK(readBack == text, "wrote '%s', read '%s'",
                       text.toUtf8().toPercentEncoding().constData(),
                       readBack.toUtf8().toPercentEncoding().constData());
        if (key.trimmed().compare(QStringLiteral("NAME"), Qt::CaseInsensitive) != 0)
            FUZZ_CHECK(ReadSettingText(account, QStringLiteral("NAME"), QString()) == QStringLiteral("kept"));
        break;
    }
    }
    return 0;
}
