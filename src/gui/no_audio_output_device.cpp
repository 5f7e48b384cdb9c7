#include "gui/no_audio_output_device.h"

namespace tonvale {
namespace {

DeviceStatus NoOutput() {
  return DeviceStatus::NoAudioOutput("no audio output on this build");
}

}  // namespace

DeviceStatus NoAudioOutputDevice::Open(DeviceType, const std::string&) {
  return NoOutput();
}
DeviceStatus NoAudioOutputDevice::Close() {
  return NoOutput();
}
DeviceStatus NoAudioOutputDevice::Stop() {
  return NoOutput();
}
DeviceStatus NoAudioOutputDevice::PlayFromStart() {
  return NoOutput();
}
DeviceStatus NoAudioOutputDevice::Resume() {
  return NoOutput();
}

}  // namespace tonvale
