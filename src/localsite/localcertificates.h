#pragma once

// Throw-away certificates for the https mode of the loopback test site: a CA made for this process and a
// server certificate it signs for 127.0.0.1 and localhost. Clients trust the CA through a CA file, so
// nothing anywhere has to switch certificate checks off.

#include <QByteArray>
#include <QString>

class LocalCertificates {
public:
    // Made on first use and shared by every site of the process (tests start many); any thread.
    static const LocalCertificates& shared();
    // A fresh CA and server certificate; errorString() says what failed when isValid() is false.
    static LocalCertificates make();
    // The shared CA written once into a temporary file that goes when the process ends; empty when it
    // cannot be written.
    static QString sharedCaFile();

    bool isValid() const { return !m_keyPem.isEmpty(); }
    QString errorString() const { return m_error; }
    QByteArray caPem() const { return m_caPem; }
    QByteArray certificatePem() const { return m_certificatePem; }
    QByteArray keyPem() const { return m_keyPem; } // EC P-256, unencrypted

private:
    QByteArray m_caPem;
    QByteArray m_certificatePem;
    QByteArray m_keyPem;
    QString m_error;
};
