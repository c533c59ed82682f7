// Simulated disc writers for a test: devices-file sections and making them the machine's drives.
#pragma once

#include <string>
#include <vector>

namespace testkit {

// A writer section whose disc images live in `imageFolder`; `extra` adds its own keys.
std::string WriterSection(const std::string& imageFolder, const std::string& id, const std::string& extra);

// Makes these sections the machine's drives through the devices file `fileName` in the config
// folder; the image folder starts empty.
void UseWriterSections(const std::string& imageFolder, const std::string& fileName,
                       const std::vector<std::string>& sections);

}  // namespace testkit
