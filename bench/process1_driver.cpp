// Runs process 1 once on a WAVE file with the default settings and reports the time taken and
// the peak memory of the process: tonvale_process1_driver FILE.wav [WORK_FOLDER
// [--without-method1]] The work files go to WORK_FOLDER (default: the current folder).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/session.h"
#include "app/settings.h"
#include "extraction/peak_extraction.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: tonvale_process1_driver FILE.wav [WORK_FOLDER [--without-method1]]\n",
               stderr);
    return 2;
  }
  std::string folder = argc > 2 ? argv[2] : ".";
  const bool withoutMethod1 = argc > 3 && std::string(argv[3]) == "--without-method1";
  if (folder.back() != '/') folder += '/';
  tonvale::Session session(folder);
  session.settings = tonvale::DefaultSettings();
  if (withoutMethod1) session.settings.ProposedMethod1 = "なし";
  const auto begin = std::chrono::steady_clock::now();
  const int result = tonvale::PeakExtraction(session, argv[1]);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - begin;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  for (const std::string& line : session.log.Lines()) std::printf("%s\n", line.c_str());
  std::printf("result %d, %.3f s, peak memory %.1f MB\n", result, seconds.count(),
              usage.ru_maxrss / 1024.0);
  return result;
}
