// FTPS: "AUTH TLS" (or TLS from the first byte), then "PBSZ 0" and "PROT P" so that every data
// connection is encrypted too, each resuming the control connection's TLS session.
#include "net/CFtpClient.h"
#include "net/MSocketSupport.h"

namespace {

const QString kTlsSource = QStringLiteral("CFtpClient.Tls");

} // namespace

// A certificate nothing vouches for (a handshake that failed for another reason is no question
// of trust).
bool CFtpClient::PeerNeedsTrust() const
{
    return m_lastError.Number == MSocketSupport::kTlsFailure && !m_peerFingerprint.isEmpty()
           && !m_lastError.Description.startsWith(QLatin1String("The TLS handshake failed"));
}

void CFtpClient::controlEncrypted()
{
    m_peerFingerprint = m_control.PeerFingerprint();
    m_peerCertificateText = m_control.PeerCertificateText();
    // Implicit TLS waits for the greeting, which comes encrypted.
    if (m_operation == opConnect && m_security == secExplicitTls && m_lastVerb == Verb::Auth)
        sendCommand(Verb::User, m_userName);
}

void CFtpClient::onAuthReply(int code)
{
    if (m_operation == opConnect && code == 234) {
        m_control.StartTls(m_server, m_trustedFingerprint);
        return;
    }
    // Nothing more is sent: the login must not go out in clear text.
    fail(MSocketSupport::kTlsFailure,
         QStringLiteral("The server refused \"AUTH TLS\" (%1): it offers no explicit FTPS on this port; "
                        "nothing was sent in clear text.").arg(m_lastServerResponse.trimmed()),
         kTlsSource);
}

void CFtpClient::onPbszReply(int code)
{
    if (m_operation == opConnect && code / 100 == 2)
        sendCommand(Verb::Prot, QStringLiteral("P"));
    else
        failReply(code);
}

void CFtpClient::onProtReply(int code)
{
    if (m_operation != opConnect || code / 100 != 2) {
        failReply(code);
        return;
    }
    m_dataProtected = true;
    loggedIn();
}

void CFtpClient::startDataTls()
{
    if (m_security != secNone)
        m_data.StartTls(m_server, m_trustedFingerprint, m_control.SessionTicket());
}
