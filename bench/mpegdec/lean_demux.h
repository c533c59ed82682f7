#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The least a peer decoder needs in front of it: the video elementary stream of a file, handed
// over in file order without copying. A program stream gives the payloads of its first video
// stream's (0xE0) PES packets; any other file is taken as an elementary stream.
using VideoSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

// Walks a program stream in memory; false when it loses the packet structure.
bool DemuxProgramStream(const std::uint8_t* data, std::size_t size, const VideoSink& sink);

// Maps the file and feeds its video to `sink`; false when it cannot be read or demultiplexed.
bool FeedVideo(const std::string& path, const VideoSink& sink);
