// The rich-text layer as kdx uses it: bodies made from text or RTF, and a
// body's RTF. Qt's text classes need a QGuiApplication; kdx makes an offscreen
// one the first time it needs it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The body and its plain text for a new entry, from UTF-8 text laid out in the
// preference's default font, or from RTF bytes. std::nullopt when the RTF
// cannot be read.
struct CliBody {
  std::string body;  // the stored body (opaque bytes)
  std::string text;  // its plain text as the text block stores it
};
[[nodiscard]] CliBody CliBodyFromText(const std::string& utf8);
[[nodiscard]] std::optional<CliBody> CliBodyFromRtf(const std::string& rtf);

// The body as one RTF file, pictures embedded; std::nullopt when unreadable.
[[nodiscard]] std::optional<std::string> CliBodyToRtf(std::string_view body);

// True when the body holds nothing plain text would lose: one character
// format throughout, no attachments, no pictures. An empty body is plain; an
// unreadable one is not.
[[nodiscard]] bool CliBodyIsPlain(const std::string& body);

// Makes the offscreen QGuiApplication the rich-text layer needs, once.
void CliEnsureGuiApplication();
