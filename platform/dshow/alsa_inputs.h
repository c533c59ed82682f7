// The machine's sound inputs: every capture PCM of every ALSA card ("hw:N,D") and the "default"
// device, each with the name the card and device call themselves and, like the DirectSound
// inputs of the other system, a device interface path from sysfs (usb#vid_XXXX&pid_XXXX&mi_NN#...
// for a USB card), so that a USB capture box's sound pairs with its picture.
#pragma once

#include <string>
#include <vector>

namespace platform::dshow::alsa {

struct Input {
  std::string pcm;            // "hw:1,0" or "default"
  std::string name;           // friendly name and DirectSound description
  std::string interfacePath;  // "\\?\usb#vid_534d&pid_2109&mi_01#...#{6994ad04-...}\global"
  int waveInId = 0;           // its place in the list
};

// The inputs of the current machine, "default" first when it opens for capture. Empty when no
// card captures.
std::vector<Input> CaptureInputs();

// The device interface path of card `card` from the sysfs tree under sysfsRoot.
std::string CardInterfacePath(const std::string& sysfsRoot, int card);

}  // namespace platform::dshow::alsa
