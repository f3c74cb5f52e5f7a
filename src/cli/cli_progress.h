// Progress of a long kdx command: one line on standard error, rewritten in
// place, only when standard error is a terminal (scripts get the summary only).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "transfer/transfer_progress.h"

// A progress that draws on err when it is a terminal, or does nothing.
[[nodiscard]] KdxTransferProgress CliMakeProgress(std::ostream& err, bool isTerminal);
// True when the process's standard error is a terminal.
[[nodiscard]] bool CliStderrIsTerminal();
// Clears the progress line, if one was drawn.
void CliEndProgress(std::ostream& err, bool isTerminal);

// The failures, skipped items and warnings of a result, one per line on err
// ("kdx: PATH: REASON", "kdx: skipped: PATH: REASON", "kdx: warning: PATH:
// REASON"), then the summary on out: "<verb> N, failed M", followed by ",
// skipped K" when anything was skipped. Returns the exit status: 1 when
// anything failed (or the work was cancelled), else 0; skipping is no failure.
// Who cancelled says why (cli_interrupt.h).
[[nodiscard]] int CliReportTransfer(const KdxTransferResult& result, const std::string& verb,
                                    std::ostream& out, std::ostream& err);
