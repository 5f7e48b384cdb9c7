#include "cli/headless_host.h"

#include "app/output_file.h"

namespace tonvale::cli {

bool HeadlessHost::StopPlayback() {
  return IsReadableFile(path_);
}

}  // namespace tonvale::cli
