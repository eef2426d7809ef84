#pragma once

// A small POP3 mailbox server on 127.0.0.1 for tests of the mail check. It
// runs in its own thread, since the mail library blocks the test's thread
// while it waits for answers. It records every command it receives.

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QMutex>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

class MiniPop3Server final : public QThread
{
public:
    QByteArray user = "user";
    QByteArray password = "secret";
    QByteArrayList messages; // whole messages, CR LF line ends

    MiniPop3Server() { start(); m_ready.acquire(); }
    ~MiniPop3Server() override
    {
        quit();
        wait();
    }

    quint16 port() const { return m_port; }
    QByteArray address() const { return "127.0.0.1:" + QByteArray::number(m_port); }
    QByteArrayList commands() const
    {
        QMutexLocker lock(&m_mutex);
        return m_commands;
    }
    int connections() const
    {
        QMutexLocker lock(&m_mutex);
        return m_connections;
    }
    static QByteArray message(const QByteArray& subject, int bodyLines = 3)
    {
        QByteArray m = "From: a@example.org\r\nSubject: " + subject + "\r\nDate: Tue, 8 Dec 2026 06:00:00 +0000\r\n"
                       "Message-ID: <" + subject + "@example.org>\r\n\r\n";
        for (int i = 0; i < bodyLines; ++i)
            m += "line " + QByteArray::number(i) + "\r\n";
        return m;
    }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        m_port = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                serve(socket);
        });
        m_ready.release();
        exec();
    }

private:
    void serve(QTcpSocket* socket)
    {
        {
            QMutexLocker lock(&m_mutex);
            ++m_connections;
        }
        const QByteArray stamp = "<1234.5678@mini>";
        socket->write("+OK mini ready " + stamp + "\r\n");
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, stamp] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().trimmed();
                {
                    QMutexLocker lock(&m_mutex);
                    m_commands.append(line);
                }
                socket->write(answer(line, stamp));
                if (line.toUpper() == "QUIT")
                    socket->disconnectFromHost();
            }
        });
    }

    QByteArray answer(const QByteArray& line, const QByteArray& stamp)
    {
        const QByteArrayList words = line.split(' ');
        const QByteArray verb = words.value(0).toUpper();
        const int n = words.value(1).toInt();
        const bool known = n >= 1 && n <= messages.size();
        if (verb == "CAPA")
            return "+OK\r\nUSER\r\nTOP\r\n.\r\n";
        if (verb == "USER")
            return (m_userSeen = words.value(1)) == user ? "+OK\r\n" : "+OK\r\n";
        if (verb == "PASS")
            return m_userSeen == user && line.mid(5) == password ? "+OK\r\n"
                                                                 : "-ERR [AUTH] Authentication failed.\r\n";
        if (verb == "APOP") {
            const QByteArray digest = QCryptographicHash::hash(stamp + password, QCryptographicHash::Md5).toHex();
            return words.value(1) == user && words.value(2) == digest ? "+OK\r\n"
                                                                     : "-ERR [AUTH] Authentication failed.\r\n";
        }
        if (verb == "STAT") {
            qsizetype total = 0;
            for (const QByteArray& m : messages)
                total += m.size();
            return "+OK " + QByteArray::number(messages.size()) + " " + QByteArray::number(total) + "\r\n";
        }
        if (verb == "LIST" && known)
            return "+OK " + QByteArray::number(n) + " " + QByteArray::number(messages[n - 1].size()) + "\r\n";
        if (verb == "TOP" && known)
            return "+OK\r\n" + messages[n - 1].left(messages[n - 1].indexOf("\r\n\r\n") + 4) + ".\r\n";
        if (verb == "RETR" && known)
            return "+OK\r\n" + messages[n - 1] + ".\r\n";
        if (verb == "NOOP" || verb == "QUIT" || verb == "RSET")
            return "+OK\r\n";
        return "-ERR unknown\r\n";
    }

    mutable QMutex m_mutex;
    QByteArrayList m_commands;
    int m_connections = 0;
    QByteArray m_userSeen;
    QSemaphore m_ready;
    quint16 m_port = 0;
};
