// CPop3Exception: copies its texts into the fixed fields.
#include "pop3/Pop3Exception.h"

#include <cstring>

namespace {

template <size_t N>
void CopyCut(char (&field)[N], const char* text) {
  size_t length = text ? strlen(text) : 0;
  if (length > N - 1) length = N - 1;
  if (length) memcpy(field, text, length);
  field[length] = '\0';
}

}  // namespace

CPop3Exception::CPop3Exception(int code, const char* message, const char* detail) : code(code) {
  CopyCut(this->message, message);
  CopyCut(this->detail, detail);
}

bool CPop3Exception::IsReplyTooLong() const {
  return code == ReceiveFailed && strcmp(detail, "Reply too long") == 0;
}
