// CPop3Exception: the one error type of the POP3 client, thrown by value.
// Fixed text fields keep it a plain record that catchers copy whole.
#pragma once

class CPop3Exception {
 public:
  enum Code {
    SendFailed = 0,
    ConnectFailed = 4,
    ReceiveFailed = 5,
    ReceiveTimeout = 6,
    ServerError = 7,
    CertificateRefused = 8,
    // The owner asked the connection to stop (SetStopFlag): not a failure of
    // the server's, and never retried.
    Stopped = 9
  };

  // Texts longer than their field are cut to fit; null texts count as empty.
  CPop3Exception(int code, const char* message, const char* detail);

  // A reply cut off at the client's size limit: asking again would only
  // read the same reply up to that limit once more.
  bool IsReplyTooLong() const;

  int code;
  char message[256];
  char detail[256];
};
