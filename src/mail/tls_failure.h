#pragma once

#include <QList>
#include <QSslError>
#include <QString>

// The texts the user sees when a TLS connection cannot be made: short
// Japanese sentences naming the server (`where` is "host:port"), never the
// TLS library's English.

// Whether `error` says only that no trusted certificate vouches for the
// server's chain (self-signed, unknown issuer), as against a fault of the
// certificate itself (expired, wrong name, revoked), which no other set of
// trusted certificates would mend.
bool IsTrustAnchorError(const QSslError& error);

// Whether a pin (the user's "trust this certificate") may waive `error`:
// not when the TLS library refused the certificate at its security level
// (a key too short, a weak signature), which is Qt's unnamed error.
bool IsWaivableError(const QSslError& error);

// Why a certificate check failed, as one short Japanese sentence.
QString CertificateErrorReason(const QSslError& error);

// "<where> のサーバー証明書を確認できませんでした（<reason>）。" A fault of the
// certificate itself is named before a missing trust anchor, since it is
// what the user has to know about; a refusal no pin can waive comes first
// of all and says so.
QString CertificateRefusalText(const QString& where, const QList<QSslError>& errors);

// A handshake that failed without a verdict on the certificate. The TLS
// library's own message (`backendMessage`) is only used to pick the reason.
QString HandshakeFailureText(const QString& where, const QString& backendMessage);
