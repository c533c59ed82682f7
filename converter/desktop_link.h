// Desktop shortcuts dropped on the list: a ".desktop" link stands for the file it names.
#pragma once

#include <string>

// The file a ".desktop" link of type Link names with a "file://" URL, when that is a regular
// file; every other path is returned as it is.
std::string FollowDesktopLink(const std::string& path);
