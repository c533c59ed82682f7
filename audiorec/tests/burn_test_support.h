// What the recorder's list and burn dialog tests share: a fresh home with the recorder's
// resource library, simulated writers, sound files made by ffmpeg, and waiting on a running
// dialog while the decoder and the writer work on their own threads.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/testkit/testkit.h"
#include "platform/window/afx_app.h"

namespace auvrytest {

// Loads the writer sections as the machine's writers, images in a fresh folder.
void UseWriters(const std::vector<std::string>& sections);
std::string Writer(const std::string& id, const std::string& extra);
std::string ImageFolder();

// A sound file of `seconds` made by ffmpeg with `codec` arguments ("-c:a wmav2 -ar 48000").
std::string MakeSound(const std::string& folder, const std::string& name, double seconds, const std::string& codec);
// A WMA recording of `ms` made by the recorder's own engine from the simulated USB audio input.
std::string RecordWma(const std::string& folder, const std::string& name, int ms);
// Duration in seconds, sample rate and channels as ffprobe reads them; false when it cannot.
bool Probe(const std::string& path, double* seconds, int* rate = nullptr, int* channels = nullptr);
// Runs a program; its exit code (-1 when it did not run), output into *out.
int Run(const std::string& program, const std::vector<std::string>& args, std::string* out = nullptr);

// The bounding rectangle, in the control's client coordinates, of the control's pixels of that
// exact colour as the screen shows them, from column fromX on; empty when there are none.
RECT PixelsOfColour(HWND control, COLORREF colour, int fromX = 0);

// Pumps and sleeps in turns until `done` holds, for at most `seconds` of real time.
bool WaitFor(const std::function<bool()>& done, double seconds = 60.0);

class BurnTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string Work() const { return env_.Home() + "work/"; }
  // The only message box was Burn's refusal of an empty list, captioned with the program title.
  void ExpectOnlyNothingToBurn();

  testkit::Environment env_{testkit::CurrentTestName()};
  testkit::MessageBoxAnswers boxes_;
  CWinApp app_;
};

}  // namespace auvrytest
