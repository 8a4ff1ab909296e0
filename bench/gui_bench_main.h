#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

// Runs the registered benchmarks inside a QApplication, headless unless a platform is chosen.
inline int RunGuiBenchmarks(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
