// The work-file header read and the record reader on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "extraction/peak_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tonvale::InputStream header_in(bytes);
  tonvale::WorkFileHeader header = tonvale::ReadWorkFileHeader(header_in);
  (void)header;

  tonvale::InputStream in(bytes);
  tonvale::PeakTable table;
  int records = tonvale::ReadPeakFile(in, table);
  if (records != table.size()) std::abort();
  for (int r = -1; r <= records; ++r) {
    if (table.Frequencies(r).size() != table.Levels(r).size()) std::abort();
    if (table.Count(r) != static_cast<int>(table.Frequencies(r).size())) std::abort();
  }
  return 0;
}
