// The MIME fields of one entity's header block: content type with its
// parameters, transfer encoding, disposition and the name the sender gave the
// content. Pure text logic.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

struct MimeHeader {
  std::string type = "text";                  // lower case
  std::string subtype = "plain";              // lower case
  std::map<std::string, std::string> params;  // of the content type, names in lower case, values as written
  std::string encoding;                       // transfer encoding, lower case; empty when none is given
  bool attachment = false;                    // the disposition says "attachment"
  std::string name;                           // disposition filename, else the type's name; UTF-8

  bool Is(const char* wantedType, const char* wantedSubtype) const {
    return type == wantedType && subtype == wantedSubtype;
  }
  std::string Param(const char* paramName) const;
};

// Reads the MIME fields of the header lines [begin, end), unfolding
// continuation lines; the first of each field counts. A missing or unreadable
// content type gives defaultType ("message/rfc822" inside multipart/digest).
MimeHeader ParseMimeHeader(const std::vector<std::string>& lines, size_t begin, size_t end,
                           const char* defaultType);
