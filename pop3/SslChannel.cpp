// CSslChannel: TLS over a connected socket through SSPI Schannel.
#include "pop3/SslChannel.h"

#include "pop3/ClientCertificate.h"
#include "pop3/SocketWait.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

const ULONG kHandshakeFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                              ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_EXTENDED_ERROR | ISC_REQ_STREAM |
                              ISC_REQ_MANUAL_CRED_VALIDATION;
// Closing needs no certificate decision, so manual validation is not requested.
const ULONG kShutdownFlags = kHandshakeFlags & ~static_cast<ULONG>(ISC_REQ_MANUAL_CRED_VALIDATION);
const size_t kHandshakeInput = 0x11000;
const size_t kHandshakeRead = 0x10000;
// SEC_I_INCOMPLETE_CREDENTIALS is answered by calling again with the same input; a package
// that keeps asking would otherwise loop forever.
const int kCredentialRetries = 2;
// Ciphertext held while a record is still incomplete, in records of the largest size: a
// stream that announces more is not TLS.
const size_t kRecordReadLimit = 10;
// Ciphertext asked of one read, in records of the largest size.
const size_t kRecordsPerRead = 4;

// Frees a token allocated by the package (ISC_REQ_ALLOCATE_MEMORY).
class CContextBuffer {
 public:
  CContextBuffer() { m_buffer = {0, SECBUFFER_TOKEN, nullptr}; }
  ~CContextBuffer() {
    if (m_buffer.pvBuffer) FreeContextBuffer(m_buffer.pvBuffer);
  }
  CContextBuffer(const CContextBuffer&) = delete;
  CContextBuffer& operator=(const CContextBuffer&) = delete;
  SecBuffer& Get() { return m_buffer; }

 private:
  SecBuffer m_buffer;
};

bool IsContinue(SECURITY_STATUS status) {
  return status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE ||
         status == SEC_I_INCOMPLETE_CREDENTIALS;
}

SecBuffer* FindBuffer(SecBuffer* buffers, int count, ULONG type) {
  for (int i = 0; i < count; ++i)
    if (buffers[i].BufferType == type) return &buffers[i];
  return nullptr;
}

}  // namespace

void CScopedCredHandle::Reset() {
  if (m_set) FreeCredentialsHandle(&m_h);
  m_h = {};
  m_set = false;
}

void CScopedCredHandle::Swap(CScopedCredHandle& other) {
  std::swap(m_h, other.m_h);
  std::swap(m_set, other.m_set);
}

void CScopedCtxtHandle::Reset() {
  if (m_set) DeleteSecurityContext(&m_h);
  m_h = {};
  m_set = false;
}

CSslChannel::CSslChannel(SOCKET s, SslWaitLimits limits, SslServerCheck server)
    : m_socket(s), m_limits(std::move(limits)), m_server(std::move(server)) {}

CSslChannel::~CSslChannel() {
  Release();
}

int CSslChannel::Start() {
  // No client certificate until a server asks for one (OfferCertificate): most never do, and
  // making one costs a new key pair.
  if (!AcquireCredentials(false, m_cred)) return 0;
  return Handshake();
}

bool CSslChannel::AcquireCredentials(bool withCertificate, CScopedCredHandle& into) {
  m_credDesc = {};
  m_credDesc.dwVersion = SCHANNEL_CRED_VERSION;
  // Read during the call only: the package keeps its own reference.
  PCCERT_CONTEXT certificates[] = {m_certificate.Get()};
  if (withCertificate) {
    m_credDesc.cCreds = 1;
    m_credDesc.paCred = certificates;
  }
  m_credDesc.dwFlags =
      SCH_CRED_REVOCATION_CHECK_CHAIN | SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_NO_SYSTEM_MAPPER;
  TimeStamp expiry;
  char package[] = "Schannel";
  SECURITY_STATUS status = AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr,
                                                     &m_credDesc, nullptr, nullptr, into.Get(), &expiry);
  if (status != SEC_E_OK) return false;
  into.MarkSet();
  return true;
}

// The server asked for a client certificate: a fresh self-signed one is made and the
// handshake goes on with credentials that carry it. A package that refuses them (Wine cannot
// find machine-set keys) keeps the first credentials, and the server gets no certificate.
void CSslChannel::OfferCertificate() {
  if (m_bCertificateOffered) return;
  m_bCertificateOffered = true;
  m_certificate.Reset(CreateClientCertificate());
  if (!m_certificate.Valid()) return;
  CScopedCredHandle withCertificate;
  if (AcquireCredentials(true, withCertificate)) m_cred.Swap(withCertificate);
}

// One deadline covers the whole handshake, so a peer that sends a byte now and then cannot
// stretch it. When it ends without a record layer, the reason stays for Send and Receive.
int CSslChannel::Handshake() {
  CDeadline deadline(m_limits.receiveMs);
  return RunHandshake(deadline);
}

int CSslChannel::RunHandshake(const CDeadline& deadline) {
  std::vector<char> input(kHandshakeInput);
  size_t held = 0;
  int credentialRetries = 0;
  SECURITY_STATUS status = SEC_I_CONTINUE_NEEDED;
  while (IsContinue(status)) {
    CContextBuffer token;
    if (!m_bHandshakeStarted) {
      status = FirstHandshakeCall(token.Get());
      if (status != SEC_I_CONTINUE_NEEDED || !SendToken(token.Get())) return -1;
      m_bHandshakeStarted = true;
      continue;
    }
    if (status == SEC_I_INCOMPLETE_CREDENTIALS && held > 0 && credentialRetries++ < kCredentialRetries) {
      // Same input again: with a certificate if one can be offered, else without.
      OfferCertificate();
    } else {
      int read = ReadHandshake(input, held, deadline);
      if (read <= 0) return read;
    }
    status = NextHandshakeCall(input, held, token.Get());
    if (status == SEC_E_INCOMPLETE_MESSAGE) continue;
    if (FAILED(status) || !SendToken(token.Get())) return -1;
    if (status != SEC_I_INCOMPLETE_CREDENTIALS) held = 0;
  }
  // The sizes stay as they are for the context's life; Send and Receive use them on every call.
  if (QueryContextAttributesA(m_context.Get(), SECPKG_ATTR_STREAM_SIZES, &m_sizes) != SEC_E_OK ||
      m_sizes.cbMaximumMessage == 0)
    return -1;
  // Every handshake (a renegotiation too) shows a certificate, and nothing
  // goes out over the channel until it has been accepted.
  m_bEstablished = false;
  if (!AcceptServer()) {
    m_nLostError = WSAECONNABORTED;
    WSASetLastError(m_nLostError);
    return -1;
  }
  m_bEstablished = true;
  return 0;
}

// The package is asked for manual validation, so that a certificate the system
// does not trust still completes the handshake and can be judged here: the
// account may trust it (trust on first use).
bool CSslChannel::AcceptServer() {
  CScopedCertificate cert;
  if (QueryContextAttributesA(m_context.Get(), SECPKG_ATTR_REMOTE_CERT_CONTEXT, cert.Put()) != SEC_E_OK ||
      !cert.Valid()) {
    m_refusal = "The server sent no certificate";
    return false;
  }
  const ServerCertificate described = DescribeServerCertificate(cert.Get(), m_server.host);
  m_refusal = m_server.check ? m_server.check(described) : RequireTrustedChain(described);
  return m_refusal.empty();
}

// The host name goes to the server (which may pick its certificate by it), but
// never an address: a name is what the server indication carries. Without one
// the name is empty rather than none: given none, Wine's package never gives up
// on a plain server's greeting taken for the start of a record.
char* CSslChannel::TargetName() {
  if (m_target.empty() && !m_server.host.empty() &&
      m_server.host.find_first_not_of("0123456789.") != std::string::npos)
    m_target = m_server.host;
  return &m_target[0];
}

SECURITY_STATUS CSslChannel::FirstHandshakeCall(SecBuffer& token) {
  SecBufferDesc output = {SECBUFFER_VERSION, 1, &token};
  ULONG attributes = 0;
  TimeStamp expiry;
  SECURITY_STATUS status = InitializeSecurityContextA(m_cred.IsSet() ? m_cred.Get() : nullptr, nullptr,
                                                      TargetName(), kHandshakeFlags, 0, 0, nullptr, 0,
                                                      m_context.Put(), &output, &attributes, &expiry);
  if (!FAILED(status)) m_context.MarkSet();
  return status;
}

// Reads handshake bytes after those already held, never past the end of the input buffer.
// Ciphertext left over from an earlier call is taken first, without a read. A socket with
// nothing to read is waited on in steps, until the deadline or the owner's interrupt.
int CSslChannel::ReadHandshake(std::vector<char>& input, size_t& held, const CDeadline& deadline) {
  if (m_nCipher > 0) {
    if (m_nCipher > input.size() - held) return -1;
    std::memcpy(input.data() + held, m_cipher.data(), m_nCipher);
    held += m_nCipher;
    m_nCipher = 0;
    return static_cast<int>(held);
  }
  size_t room = std::min(kHandshakeRead, input.size() - held);
  if (room == 0) return -1;  // a handshake message larger than any the buffer can hold
  for (;;) {
    if (!InTime(deadline)) return -1;
    int read = recv(m_socket, input.data() + held, static_cast<int>(room), 0);
    if (read > 0) held += read;
    if (read != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK) return read;
    WaitSocketStep(m_socket, false, deadline.Left());
  }
}

SECURITY_STATUS CSslChannel::NextHandshakeCall(std::vector<char>& input, size_t& held, SecBuffer& token) {
  SecBuffer inBuffers[2] = {{static_cast<ULONG>(held), SECBUFFER_TOKEN, input.data()},
                            {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, inBuffers};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &token};
  ULONG attributes = 0;
  TimeStamp expiry;
  SECURITY_STATUS status =
      InitializeSecurityContextA(m_cred.IsSet() ? m_cred.Get() : nullptr, m_context.Get(), TargetName(),
                                 kHandshakeFlags, 0, 0, &inDesc, 0, nullptr, &outDesc, &attributes, &expiry);
  // Bytes beyond the message the package used: the next handshake message, or after the
  // last one already the first application record (a server greeting, say).
  if (status != SEC_E_INCOMPLETE_MESSAGE && status != SEC_I_INCOMPLETE_CREDENTIALS && !FAILED(status) &&
      inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0 &&
      inBuffers[1].cbBuffer <= held) {
    const char* extra = input.data() + held - inBuffers[1].cbBuffer;
    m_cipher.assign(extra, extra + inBuffers[1].cbBuffer);
    m_nCipher = inBuffers[1].cbBuffer;
  }
  return status;
}

bool CSslChannel::SendToken(SecBuffer& token) {
  if (token.cbBuffer == 0 || !token.pvBuffer) return true;
  int length = static_cast<int>(token.cbBuffer);
  return SendAll(static_cast<const char*>(token.pvBuffer), length) == length;
}

// False, with the reason as the last error (and as the one a channel without a record layer
// reports from then on), once the owner has given up or the deadline has passed.
bool CSslChannel::InTime(const CDeadline& deadline) {
  int reason = 0;
  if (m_limits.stillWanted && !m_limits.stillWanted())
    reason = WSAEINTR;
  else if (deadline.Left() == 0)
    reason = WSAETIMEDOUT;
  if (reason == 0) return true;
  m_nLostError = reason;
  WSASetLastError(reason);
  return false;
}

// A context whose handshake never finished has no record layer, yet Wine reports stream
// sizes for it: the established flag decides. Without a record layer the connection is
// lost; the error says why (time-out, interrupt, or else aborted), rather than whatever an
// earlier socket call left (a stale WSAEWOULDBLOCK would have the caller poll until its
// time-out).
bool CSslChannel::RecordLayerReady() {
  if (m_bEstablished) return true;
  WSASetLastError(m_nLostError);
  return false;
}

int CSslChannel::Send(const char* data, int length) {
  if (!RecordLayerReady()) return -1;
  int position = 0;
  while (position < length) {
    int chunk = std::min(length - position, static_cast<int>(m_sizes.cbMaximumMessage));
    if (SendRecord(data + position, chunk) < 0) return -1;
    position += chunk;
  }
  return length;
}

// Encrypts one record in place and sends header, data and trailer in one write. Written
// apart, the small header would leave alone and the rest wait for its acknowledgement, which
// a server that delays its ACKs holds back for tens of milliseconds per command.
int CSslChannel::SendRecord(const char* data, int length) {
  const size_t whole = static_cast<size_t>(m_sizes.cbHeader) + m_sizes.cbMaximumMessage + m_sizes.cbTrailer;
  if (m_record.size() < whole) m_record.resize(whole);
  char* header = m_record.data();
  char* body = header + m_sizes.cbHeader;
  std::memcpy(body, data, length);
  SecBuffer buffers[4] = {{m_sizes.cbHeader, SECBUFFER_STREAM_HEADER, header},
                          {static_cast<ULONG>(length), SECBUFFER_DATA, body},
                          {m_sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, body + length},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
  if (EncryptMessage(m_context.Get(), 0, &desc, 0) != SEC_E_OK) {
    WSASetLastError(WSAECONNABORTED);
    return -1;
  }
  // A header or trailer shorter than reserved leaves a gap; the parts close up behind it.
  size_t used = 0;
  for (int i = 0; i < 3; ++i) {
    if (buffers[i].pvBuffer != header + used)
      std::memmove(header + used, buffers[i].pvBuffer, buffers[i].cbBuffer);
    used += buffers[i].cbBuffer;
  }
  // A short write leaves part of a record on the wire: the stream is lost, so it is a failure.
  int size = static_cast<int>(used);
  return SendAll(header, size) == size ? length : -1;
}

// A full send buffer is waited out in steps rather than cutting a record in half, which
// would corrupt the stream beyond repair; the wait ends at the send time-out or an interrupt.
int CSslChannel::SendAll(const char* data, int length) {
  CDeadline deadline(m_limits.sendMs);
  int sent = 0;
  while (sent < length) {
    int n = send(m_socket, data + sent, length - sent, 0);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
      if (!InTime(deadline)) break;
      WaitSocketStep(m_socket, true, deadline.Left());
      continue;
    }
    if (n <= 0) break;
    sent += n;
  }
  return sent;
}

int CSslChannel::TakePending(char* buffer, int size) {
  size_t count = std::min(static_cast<size_t>(size), m_pending.size() - m_nPendingAt);
  std::memcpy(buffer, m_pending.data() + m_nPendingAt, count);
  m_nPendingAt += count;
  if (m_nPendingAt == m_pending.size()) {
    m_pending.clear();
    m_nPendingAt = 0;
  }
  return static_cast<int>(count);
}

int CSslChannel::HandOver(const SecBuffer& data, char* buffer, int size) {
  int n = static_cast<int>(data.cbBuffer);
  const char* plain = static_cast<const char*>(data.pvBuffer);
  int count = std::min(n, size);
  std::memcpy(buffer, plain, count);
  m_pending.assign(plain + count, plain + n);
  m_nPendingAt = 0;
  return count;
}

// Appends what one read brings to the ciphertext store; results like recv. The store keeps
// its size between calls, so a read allocates only while the store is still growing. A read
// may bring several records: each socket call costs far more than decrypting from the store.
int CSslChannel::ReadRecordBytes() {
  const size_t largest = m_sizes.cbMaximumMessage;
  const size_t limit = kRecordReadLimit * largest;
  size_t room = m_nCipher < limit ? std::min(kRecordsPerRead * largest, limit - m_nCipher) : 0;
  if (room == 0) {
    WSASetLastError(WSAECONNABORTED);
    return -1;
  }
  if (m_cipher.size() < m_nCipher + room) m_cipher.resize(m_nCipher + room);
  int read = recv(m_socket, m_cipher.data() + m_nCipher, static_cast<int>(room), 0);
  if (read > 0) m_nCipher += read;
  return read;
}

// Keeps the last count bytes of the ciphertext store (those after a decrypted record) at its front.
void CSslChannel::KeepCipherTail(size_t count) {
  if (count > m_nCipher) count = 0;
  std::memmove(m_cipher.data(), m_cipher.data() + m_nCipher - count, count);
  m_nCipher = count;
}

int CSslChannel::Receive(char* buffer, int size) {
  if (!RecordLayerReady()) return -1;
  if (size <= 0) return 0;
  if (m_nPendingAt < m_pending.size()) return TakePending(buffer, size);

  // Ciphertext already held (a second record of an earlier read, or the start of one that
  // ran dry at WSAEWOULDBLOCK) is tried before the socket is read.
  bool read = m_nCipher == 0;
  for (;;) {
    if (read) {
      int got = ReadRecordBytes();
      if (got <= 0) return got;
    }
    read = true;
    SecBuffer buffers[4] = {{static_cast<ULONG>(m_nCipher), SECBUFFER_DATA, m_cipher.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = DecryptMessage(m_context.Get(), &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) continue;
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
      WSASetLastError(WSAECONNABORTED);
      return -1;
    }

    // The plaintext lies in the store, decrypted in place: it is handed over (or set aside)
    // before what follows the record moves to the store's front.
    SecBuffer* data = FindBuffer(buffers, 4, SECBUFFER_DATA);
    SecBuffer* extra = FindBuffer(buffers, 4, SECBUFFER_EXTRA);
    const bool hasData = data && data->cbBuffer > 0;
    const size_t rest = extra ? extra->cbBuffer : 0;
    if (status == SEC_I_RENEGOTIATE) {
      if (hasData) HandOver(*data, buffer, 0);  // all of it waits in the pending store
      KeepCipherTail(rest);
      if (Handshake() < 0) return -1;
      // A renegotiation is not the end of the stream: go on with the records after it.
      if (m_nPendingAt < m_pending.size()) return TakePending(buffer, size);
      read = m_nCipher == 0;
      continue;
    }
    // A close notification arrives as SEC_I_CONTEXT_EXPIRED or as an empty data buffer.
    int count = status == SEC_I_CONTEXT_EXPIRED || !hasData ? 0 : HandOver(*data, buffer, size);
    KeepCipherTail(rest);
    return count;
  }
}

int CSslChannel::Shutdown() {
  if (!m_context.IsSet() || !m_bEstablished) return -1;
  if (m_bShutDown) return 1;  // the socket layer closes through Shutdown and then Release
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer control = {sizeof(type), SECBUFFER_TOKEN, &type};
  SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
  if (FAILED(ApplyControlToken(m_context.Get(), &controlDesc))) return -1;
  m_bShutDown = true;

  CContextBuffer token;
  SecBufferDesc output = {SECBUFFER_VERSION, 1, &token.Get()};
  ULONG attributes = 0;
  TimeStamp expiry;
  SECURITY_STATUS status = InitializeSecurityContextA(
      m_cred.IsSet() ? m_cred.Get() : nullptr, m_context.Get(), nullptr, kShutdownFlags, 0,
      SECURITY_NATIVE_DREP, nullptr, 0, m_context.Get(), &output, &attributes, &expiry);
  if (FAILED(status)) return -1;
  if (token.Get().cbBuffer == 0 || !token.Get().pvBuffer) return 1;
  return SendAll(static_cast<const char*>(token.Get().pvBuffer), static_cast<int>(token.Get().cbBuffer));
}

void CSslChannel::Release() {
  Shutdown();
  m_context.Reset();
  m_cred.Reset();
  m_certificate.Reset();
  std::vector<char>().swap(m_cipher);
  m_nCipher = 0;
  std::vector<char>().swap(m_pending);
  m_nPendingAt = 0;
  std::vector<char>().swap(m_record);
}
