// The reliability run: the whole program captures for a while (a buffer every half second) while
// POWER goes on and off, the display mode changes through the navigation bar and the switches
// turn. Counts the buffers, checks every captured frame of the counter recording, watches the
// resident memory after the warm-up and the threads after each POWER off, and ends the process
// if the user-interface thread hangs.
//   QT_QPA_PLATFORM=offscreen build/tools/tool_soak_run --seconds 600
// Options: --seconds S (600), --warmup S (60, or a third of a shorter run), --rss-bound-mib M
// (16), --input SPEC (default: a counter recording at the program's rate, made with sox),
// --late-ms MS (the handling of every fourth buffer keeps the user-interface thread busy MS ms),
// --live (the live display; the capture ring's dropped blocks must stay 0 as well),
// --quiet. The report lists each loss with its time. Exit status 0 when every check held, 1
// otherwise, 2 for a bad option.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../tests/e2e/e2e_reliability_support.h"

namespace {

bool NumberArg(int argc, char** argv, int& i, double* value) {
  if (i + 1 >= argc) return false;
  char* end = nullptr;
  *value = std::strtod(argv[++i], &end);
  return end != argv[i] && *end == '\0' && *value > 0;
}

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [--seconds S] [--warmup S] [--rss-bound-mib M] [--input SPEC] "
               "[--late-ms MS] [--live] [--quiet]\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  e2e::SoakOptions options;
  options.verbose = true;
  double warmup = -1;
  for (int i = 1; i < argc; ++i) {
    double value = 0;
    if (std::strcmp(argv[i], "--seconds") == 0 && NumberArg(argc, argv, i, &value)) {
      options.seconds = value;
    } else if (std::strcmp(argv[i], "--warmup") == 0 && NumberArg(argc, argv, i, &value)) {
      warmup = value;
    } else if (std::strcmp(argv[i], "--rss-bound-mib") == 0 && NumberArg(argc, argv, i, &value)) {
      options.rssGrowthBoundKiB = static_cast<long>(value * 1024);
    } else if (std::strcmp(argv[i], "--input") == 0 && i + 1 < argc) {
      options.input = argv[++i];
    } else if (std::strcmp(argv[i], "--late-ms") == 0 && NumberArg(argc, argv, i, &value)) {
      options.lateMs = static_cast<int>(value);
    } else if (std::strcmp(argv[i], "--live") == 0) {
      options.live = true;
    } else if (std::strcmp(argv[i], "--quiet") == 0) {
      options.verbose = false;
    } else {
      return Usage(argv[0]);
    }
  }
  options.warmupSeconds = warmup > 0 ? warmup : std::min(60.0, options.seconds / 3);

  QApplication qapp(argc, argv);
  const e2e::SoakResult result = e2e::RunSoak(options);
  std::fputs(result.Report().c_str(), stdout);
  return result.Passed() ? 0 : 1;
}
