#pragma once

#include "mail/nmail.h"

#include <QString>

// The question put to the user about a server certificate the library
// refused: the server, the certificate's subject, issuer, validity and
// SHA-256 fingerprint, why it was refused (and that it changed, when another
// one was trusted there before), then whether to trust it.
QString CertificateQuestion(const NMail::RefusedCertificate& refused);
