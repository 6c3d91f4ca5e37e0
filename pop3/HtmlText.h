// The readable text of an HTML document, the way the information window shows
// HTML-only mail: tags dropped, entities decoded, block elements as line
// breaks, scripts and styles skipped. Nothing is run, fetched or rendered.
// Pure text logic.
#pragma once

#include <string>

// Plain text of html (UTF-8 in and out), with "\n" line ends, blanks
// collapsed outside <pre>, at most one empty line in a row and none at the
// start or end.
std::string HtmlToText(const std::string& html);

// The charset a <meta> element near the start of html declares
// (<meta charset="..."> or the http-equiv form); empty when none does.
std::string HtmlDeclaredCharset(const std::string& html);
