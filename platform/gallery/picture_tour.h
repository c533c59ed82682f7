// The gallery's picture tour: scripted steps that open each of its windows in turn, write the
// picture of each into a folder and close it again, ending the main dialog last.
#pragma once

#include <string>
#include <vector>

namespace gallery {

// Queues the tour on the modal-loop script; the main dialog must be run after. The names of
// the pictures are added to `written` as each is written.
void QueuePictureTour(const std::string& folder, std::vector<std::string>* written);

// The pictures the tour writes.
std::vector<std::string> TourPictureNames();

}  // namespace gallery
