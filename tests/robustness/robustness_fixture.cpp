#include "robustness_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/settings_file.h"

namespace tonvale::testing {
namespace {

void PutLittleEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

CommandFolder::CommandFolder() : session_(dir_.path()) {
  EXPECT_EQ(ResetSettings(session_), 0);
}

std::string CommandFolder::LogText() const {
  std::string text;
  for (const std::string& line : session_.log.Lines()) text += line + "\n";
  return text;
}

int CommandFolder::Run(int (*command)(Session&, ProcessHost&), const std::string& wavePath) {
  host_.field = wavePath;
  return command(session_, host_);
}

std::string WaveBytes(const WaveFields& f) {
  const uint32_t block =
      f.blockSize >= 0 ? static_cast<uint32_t>(f.blockSize) : f.channels * f.bitsPerSample / 8u;
  const uint64_t byteRate = f.byteRate >= 0 ? static_cast<uint64_t>(f.byteRate)
                                            : static_cast<uint64_t>(f.samplingRate) * block;
  const uint64_t dataSize = f.dataSize >= 0 ? static_cast<uint64_t>(f.dataSize) : f.data.size();
  std::string body = "WAVEfmt ";
  PutLittleEndian(body, 16, 4);
  PutLittleEndian(body, f.formatId, 2);
  PutLittleEndian(body, f.channels, 2);
  PutLittleEndian(body, f.samplingRate, 4);
  PutLittleEndian(body, byteRate, 4);
  PutLittleEndian(body, block, 2);
  PutLittleEndian(body, f.bitsPerSample, 2);
  body += "data";
  PutLittleEndian(body, dataSize, 4);
  body += f.data;
  std::string file = f.riffTag;
  PutLittleEndian(file, body.size(), 4);
  return file + body;
}

std::string ToneData(double seconds, int rate) {
  std::string data;
  const auto count = static_cast<size_t>(seconds * rate);
  for (size_t i = 0; i < count; ++i) {
    const auto v = static_cast<int16_t>(
        std::lround(12000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / rate)));
    PutLittleEndian(data, static_cast<uint16_t>(v), 2);
  }
  return data;
}

}  // namespace tonvale::testing
