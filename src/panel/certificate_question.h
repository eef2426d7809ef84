#pragma once

#include "mail/nmail.h"

#include <QString>

// The questions put to the user about trusting a server.

// About a server certificate the library refused: the server, why it was
// refused (that it changed, when another one was trusted there before; a
// warning when the system vouched for this host's certificate before), the
// certificate's subject, issuer, validity and SHA-256 fingerprint, then
// whether to trust it. What comes from the certificate is shown one field
// to a line, labelled, with control characters written out and cut at a
// sane length, so that a certificate cannot write lines of its own.
QString CertificateQuestion(const NMail::RefusedCertificate& refused);

// About a server at `address` that offers no encryption: that the password
// (or, with `apop`, the digest made from it) would travel readable on the
// way, how to ask for TLS, then whether to send it in clear.
QString ClearLoginQuestion(const QString& address, bool apop);
