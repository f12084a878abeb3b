#pragma once
// Which encoding a firmware page is read in. Old vendor pages often declare none; those are read in the
// system's ANSI code page, as the browser of the vendor's platform reads them.
#include <string>
#include <string_view>

namespace yeroup::app {

// The charset label to decode page with, in a browser's order: a byte-order mark, then the charset of the
// Content-Type header (may be empty), then a <meta> declaration in the first limits::kCharsetSniffBytes
// bytes. The Chinese labels come back as "GB18030", the superset browsers read them as. Empty when the page
// declares nothing: it is then read in the ANSI code page.
std::string PageCharset(std::string_view page, std::string_view contentType = {});

}  // namespace yeroup::app
