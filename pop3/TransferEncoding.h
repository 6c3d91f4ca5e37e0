// Content transfer encodings of a MIME body (RFC 2045): quoted-printable,
// base64 and the identity encodings. Pure text logic.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The bytes the body lines [begin, end) carry in the named encoding (lower
// case; empty or unknown: as they stand). Lines are joined with CR LF, the
// canonical line end; a quoted-printable line that ends in "=" joins the next.
std::string DecodeTransferEncoding(const std::string& encoding, const std::vector<std::string>& lines,
                                   size_t begin, size_t end);
