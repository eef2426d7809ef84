#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The bytes of the companion mailer's file that each text was imported
// from. A value need not be valid CP932 (the mailer may write another code
// page, or anything a user typed); its text then holds substitutes, and only
// these bytes can give the file back what it held.
struct MailerFileBytes
{
    QByteArray SmtpServer;
    QByteArray PopServer;
    QByteArray MailAddress;
};

// The server settings the program holds while it runs, shared with the
// companion mailer's file (imported from it and exported to it).
struct MailerSettings
{
    QString SmtpServer;
    QString PopServer;
    QString MailAddress;
    qint16 UseApop = 0;
    // What kestra.ini held for the texts when they were imported; a text
    // changed since then no longer matches its bytes and is written anew.
    MailerFileBytes FileBytes = {};
};
