// Ctrl+C (SIGINT) and SIGTERM during a long import or export: the work stops
// after the item at hand, what is done is saved, and kdx says so and exits
// with 128 + the signal's number (130, 143), as shells expect. A second
// signal ends kdx at once; that too is safe, since every save is all or
// nothing.
#pragma once

#include <functional>
#include <iosfwd>

class CliInterruption {
 public:
  CliInterruption();   // catches SIGINT and SIGTERM
  ~CliInterruption();  // puts back what was there before
  CliInterruption(const CliInterruption&) = delete;
  CliInterruption& operator=(const CliInterruption&) = delete;

  // The signal caught since this began, or 0.
  [[nodiscard]] int caught() const;
  // For KdxTransferProgress::cancelled.
  [[nodiscard]] std::function<bool()> poll() const;
  // When a signal was caught: one line to err saying what was kept, and the
  // exit status for it. Otherwise status as it is.
  [[nodiscard]] int Report(int status, const char* kept, std::ostream& err) const;
};
