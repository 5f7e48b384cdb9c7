#include "figures/read_plot_token.h"

namespace tonvale {

int ReadPlotToken(InputStream& in, std::string& token) {
  int c;
  do {
    c = in.Get();
  } while (c != InputStream::kEnd && IsTokenSpace(c));
  if (c == InputStream::kEnd) return 1;
  token.clear();
  while (c != InputStream::kEnd && !IsTokenSpace(c)) {
    if (token.size() == kMaxPlotTokenBytes) {
      in.Unget();  // the first byte of the next piece
      return 0;
    }
    token.push_back(static_cast<char>(c));
    c = in.Get();
  }
  if (c != InputStream::kEnd) in.Unget();
  return 0;
}

}  // namespace tonvale
