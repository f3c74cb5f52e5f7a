#include "cli/cli_interrupt.h"

#include <signal.h>

#include <ostream>
#include <utility>

namespace {

volatile sig_atomic_t g_caught = 0;
struct sigaction g_oldInt {};
struct sigaction g_oldTerm {};

void OnSignal(int number) { g_caught = number; }

}  // namespace

CliInterruption::CliInterruption() {
  g_caught = 0;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // The first signal asks the work to stop; the handler then goes, so that a
  // second one ends the process.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  // A signal the caller ignores (a background job of a script) stays ignored.
  for (auto [number, old] : {std::pair{SIGINT, &g_oldInt}, std::pair{SIGTERM, &g_oldTerm}}) {
    sigaction(number, nullptr, old);
    if (old->sa_handler != SIG_IGN) sigaction(number, &action, nullptr);
  }
}

CliInterruption::~CliInterruption() {
  sigaction(SIGINT, &g_oldInt, nullptr);
  sigaction(SIGTERM, &g_oldTerm, nullptr);
}

int CliInterruption::caught() const { return g_caught; }

std::function<bool()> CliInterruption::poll() const {
  return [] { return g_caught != 0; };
}

int CliInterruption::Report(int status, const char* kept, std::ostream& err) const {
  const int number = g_caught;
  if (number == 0) return status;
  err << "kdx: interrupted by " << (number == SIGINT ? "Ctrl+C (SIGINT)" : "SIGTERM")
      << ": stopped after the item at hand; " << kept << "\n";
  return 128 + number;
}
