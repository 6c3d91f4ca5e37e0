// CSslChannel: TLS over a connected socket through SSPI Schannel.
#include "pop3/SslChannel.h"

#include "pop3/ClientCertificate.h"

#include <algorithm>
#include <cstring>

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
// A full send buffer on the non-blocking socket is waited out rather than cutting a record in
// half, which would corrupt the stream beyond repair.
const long kSendStallSeconds = 30;

char g_emptyTarget[1] = "";  // no name is compared: the server certificate is not validated

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

void CScopedCtxtHandle::Reset() {
  if (m_set) DeleteSecurityContext(&m_h);
  m_h = {};
  m_set = false;
}

CSslChannel::CSslChannel(SOCKET s) : m_socket(s) {}

CSslChannel::~CSslChannel() {
  Release();
}

int CSslChannel::Start() {
  m_certificate = CreateClientCertificate();
  // A package that refuses the certificate (Wine cannot find machine-set keys) still gets a
  // connection: the handshake then runs without a client certificate.
  if (!AcquireCredentials(m_certificate != nullptr) && (!m_certificate || !AcquireCredentials(false)))
    return 0;
  return Handshake();
}

bool CSslChannel::AcquireCredentials(bool withCertificate) {
  m_credDesc = {};
  m_credDesc.dwVersion = SCHANNEL_CRED_VERSION;
  if (withCertificate) {
    m_credDesc.cCreds = 1;
    m_credDesc.paCred = &m_certificate;
  }
  m_credDesc.dwFlags =
      SCH_CRED_REVOCATION_CHECK_CHAIN | SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_NO_SYSTEM_MAPPER;
  TimeStamp expiry;
  char package[] = "Schannel";
  SECURITY_STATUS status = AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr,
                                                     &m_credDesc, nullptr, nullptr, m_cred.Get(), &expiry);
  if (status != SEC_E_OK) return false;
  m_cred.MarkSet();
  return true;
}

int CSslChannel::Handshake() {
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
      // Same input again: the package goes on without (further) credentials.
    } else {
      int read = ReadHandshake(input, held);
      if (read <= 0) return read;
    }
    status = NextHandshakeCall(input, held, token.Get());
    if (status == SEC_E_INCOMPLETE_MESSAGE) continue;
    if (FAILED(status) || !SendToken(token.Get())) return -1;
    if (status != SEC_I_INCOMPLETE_CREDENTIALS) held = 0;
  }
  m_bEstablished = true;
  return 0;
}

SECURITY_STATUS CSslChannel::FirstHandshakeCall(SecBuffer& token) {
  SecBufferDesc output = {SECBUFFER_VERSION, 1, &token};
  ULONG attributes = 0;
  TimeStamp expiry;
  SECURITY_STATUS status = InitializeSecurityContextA(m_cred.IsSet() ? m_cred.Get() : nullptr, nullptr,
                                                      g_emptyTarget, kHandshakeFlags, 0, 0, nullptr, 0,
                                                      m_context.Put(), &output, &attributes, &expiry);
  if (!FAILED(status)) m_context.MarkSet();
  return status;
}

// Reads handshake bytes after those already held, never past the end of the input buffer.
// Ciphertext left over from an earlier call (the extra store) is taken first, without a read.
int CSslChannel::ReadHandshake(std::vector<char>& input, size_t& held) {
  if (!m_extra.empty()) {
    if (m_extra.size() > input.size() - held) return -1;
    std::memcpy(input.data() + held, m_extra.data(), m_extra.size());
    held += m_extra.size();
    m_extra.clear();
    return static_cast<int>(held);
  }
  size_t room = std::min(kHandshakeRead, input.size() - held);
  if (room == 0) return -1;  // a handshake message larger than any the buffer can hold
  int read = recv(m_socket, input.data() + held, static_cast<int>(room), 0);
  if (read > 0) held += read;
  return read;
}

SECURITY_STATUS CSslChannel::NextHandshakeCall(std::vector<char>& input, size_t& held, SecBuffer& token) {
  SecBuffer inBuffers[2] = {{static_cast<ULONG>(held), SECBUFFER_TOKEN, input.data()},
                            {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, inBuffers};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &token};
  ULONG attributes = 0;
  TimeStamp expiry;
  SECURITY_STATUS status =
      InitializeSecurityContextA(m_cred.IsSet() ? m_cred.Get() : nullptr, m_context.Get(), g_emptyTarget,
                                 kHandshakeFlags, 0, 0, &inDesc, 0, nullptr, &outDesc, &attributes, &expiry);
  // Bytes beyond the message the package used: the next handshake message, or after the
  // last one already the first application record (a server greeting, say).
  if (status != SEC_E_INCOMPLETE_MESSAGE && status != SEC_I_INCOMPLETE_CREDENTIALS && !FAILED(status) &&
      inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0 &&
      inBuffers[1].cbBuffer <= held) {
    const char* extra = input.data() + held - inBuffers[1].cbBuffer;
    m_extra.assign(extra, extra + inBuffers[1].cbBuffer);
  }
  return status;
}

bool CSslChannel::SendToken(SecBuffer& token) {
  if (token.cbBuffer == 0 || !token.pvBuffer) return true;
  int length = static_cast<int>(token.cbBuffer);
  return SendAll(static_cast<const char*>(token.pvBuffer), length) == length;
}

// A context whose handshake never finished has no record layer, yet Wine reports stream
// sizes for it: the established flag decides. Without a record layer the connection is
// lost; the error says so, rather than whatever an earlier socket call left (a stale
// WSAEWOULDBLOCK would have the caller wait and poll until its time-out).
bool CSslChannel::QuerySizes(SecPkgContext_StreamSizes& sizes) {
  if (m_context.IsSet() && m_bEstablished &&
      QueryContextAttributesA(m_context.Get(), SECPKG_ATTR_STREAM_SIZES, &sizes) == SEC_E_OK &&
      sizes.cbMaximumMessage > 0)
    return true;
  WSASetLastError(WSAECONNABORTED);
  return false;
}

int CSslChannel::Send(const char* data, int length) {
  SecPkgContext_StreamSizes sizes;
  if (!QuerySizes(sizes)) return -1;
  int position = 0;
  while (position < length) {
    int chunk = std::min(length - position, static_cast<int>(sizes.cbMaximumMessage));
    if (SendRecord(data + position, chunk, sizes) < 0) return -1;
    position += chunk;
  }
  return length;
}

// Encrypts one record in place and sends header, data and trailer.
int CSslChannel::SendRecord(const char* data, int length, const SecPkgContext_StreamSizes& sizes) {
  std::vector<char> record(sizes.cbHeader + sizes.cbMaximumMessage + sizes.cbTrailer);
  char* header = record.data();
  char* body = header + sizes.cbHeader;
  std::memcpy(body, data, length);
  SecBuffer buffers[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, header},
                          {static_cast<ULONG>(length), SECBUFFER_DATA, body},
                          {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, body + length},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
  if (EncryptMessage(m_context.Get(), 0, &desc, 0) != SEC_E_OK) return -1;
  // A short write leaves part of a record on the wire: the stream is lost, so it is a failure.
  for (int i = 0; i < 3; ++i) {
    int size = static_cast<int>(buffers[i].cbBuffer);
    if (SendAll(static_cast<const char*>(buffers[i].pvBuffer), size) != size) return -1;
  }
  return length;
}

int CSslChannel::SendAll(const char* data, int length) {
  int sent = 0;
  while (sent < length) {
    int n = send(m_socket, data + sent, length - sent, 0);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
      fd_set writable;
      FD_ZERO(&writable);
      FD_SET(m_socket, &writable);
      timeval wait = {kSendStallSeconds, 0};
      if (select(0, nullptr, &writable, nullptr, &wait) == 1) continue;
      WSASetLastError(WSAEWOULDBLOCK);
      break;
    }
    if (n <= 0) break;
    sent += n;
  }
  return sent;
}

int CSslChannel::TakePending(char* buffer, int size) {
  int count = std::min(size, static_cast<int>(m_pending.size()));
  std::memcpy(buffer, m_pending.data(), count);
  m_pending.erase(m_pending.begin(), m_pending.begin() + count);
  return count;
}

int CSslChannel::HandOver(const SecBuffer& data, char* buffer, int size) {
  int n = static_cast<int>(data.cbBuffer);
  const char* plain = static_cast<const char*>(data.pvBuffer);
  int count = std::min(n, size);
  std::memcpy(buffer, plain, count);
  m_pending.assign(plain + count, plain + n);
  return count;
}

int CSslChannel::Receive(char* buffer, int size) {
  SecPkgContext_StreamSizes sizes;
  if (!QuerySizes(sizes)) return -1;
  if (size <= 0) return 0;
  if (!m_pending.empty()) return TakePending(buffer, size);

  std::vector<char> input(10 * static_cast<size_t>(sizes.cbMaximumMessage));
  size_t held = 0;
  for (;;) {
    if (!m_extra.empty()) {
      if (m_extra.size() > input.size() - held) return -1;
      std::memcpy(input.data() + held, m_extra.data(), m_extra.size());
      held += m_extra.size();
      m_extra.clear();
    } else {
      size_t room = std::min(static_cast<size_t>(sizes.cbMaximumMessage), input.size() - held);
      if (room == 0) return -1;
      int read = recv(m_socket, input.data() + held, static_cast<int>(room), 0);
      if (read <= 0) {
        // Keep a record's first part (WSAEWOULDBLOCK): the next call continues it.
        int error = WSAGetLastError();
        m_extra.assign(input.data(), input.data() + held);
        WSASetLastError(error);
        return read;
      }
      held += read;
    }

    SecBuffer buffers[4] = {{static_cast<ULONG>(held), SECBUFFER_DATA, input.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = DecryptMessage(m_context.Get(), &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) continue;
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) return -1;

    SecBuffer* data = FindBuffer(buffers, 4, SECBUFFER_DATA);
    SecBuffer* extra = FindBuffer(buffers, 4, SECBUFFER_EXTRA);
    if (extra && extra->cbBuffer > 0) {
      const char* rest = static_cast<const char*>(extra->pvBuffer);
      m_extra.assign(rest, rest + extra->cbBuffer);
    }
    if (status == SEC_I_RENEGOTIATE && Handshake() < 0) return -1;
    // A close notification arrives as SEC_I_CONTEXT_EXPIRED or as an empty data buffer.
    if (!data || data->cbBuffer == 0 || status == SEC_I_CONTEXT_EXPIRED) return 0;
    return HandOver(*data, buffer, size);
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
  if (m_certificate) {
    CertFreeCertificateContext(m_certificate);
    m_certificate = nullptr;
  }
  std::vector<char>().swap(m_extra);
  std::vector<char>().swap(m_pending);
}
