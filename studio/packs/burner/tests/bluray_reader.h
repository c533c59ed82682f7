// What libbluray reads off a Blu-ray image: the discs the tests burn are read as a player would.
#pragma once

#include <string>
#include <vector>

namespace studio::packs {

// Each title's length in seconds; none when libbluray cannot open the image.
std::vector<double> BlurayTitleSeconds(const std::string& image);
// Each title's number of chapters (entry marks); none when libbluray cannot open the image.
std::vector<int> BlurayTitleChapters(const std::string& image);

}  // namespace studio::packs
