// The error log "kardinex_log.txt" under $XDG_STATE_HOME/Kardinex/
// (default ~/.local/state/Kardinex/). Every storage, import and export step
// that fails appends one record: " YYYY/MM/DD HH:MM:SS\t" and the message.
// Logging never changes the outcome of the operation that logs.
#pragma once

#include <string>

// Formats with the printf rules (the format is always a constant; user text
// goes in as an argument) and appends one record. Records from several threads
// never interleave. A message longer than 65,535 bytes is cut.
void Vell_SystemErrorLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The path the next record goes to.
[[nodiscard]] std::string Vell_GetLogFilePath();
