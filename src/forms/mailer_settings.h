#pragma once

#include <QString>
#include <QtGlobal>

// The server settings the program holds while it runs, shared with the
// companion mailer's file (imported from it and exported to it).
struct MailerSettings
{
    QString SmtpServer;
    QString PopServer;
    QString MailAddress;
    qint16 UseApop = 0;
};
