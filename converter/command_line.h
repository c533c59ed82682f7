// The converter's command line: the list file's path and device options in any order.
#pragma once

#include <string>

// Conversion modes: the device family each selects.
constexpr int kModeXvidHd = 0;
constexpr int kModeWmvHd = 1;
constexpr int kModePsp = 2;
constexpr int kModePspAvc = 3;
constexpr int kModeIpod = 4;
constexpr int kModeMobile = 5;
constexpr int kModeIpodIphone = 6;
constexpr int kModeIpad = 7;

struct ParvelCommand {
  int mode = kModePsp;
  std::string listPath;
  int logLocation = -1;  // unchanged unless "/LOG" carries a digit
};

// Options are whole blank-separated tokens, matched without regard to case; the rest, with its
// case kept, is the list file's path. "/LOG" takes the digit after one separator ("/LOG 1",
// "/LOG:1"); anything else there changes nothing.
ParvelCommand ParseParvelCommandLine(const std::string& text, int logLocation = -1);
