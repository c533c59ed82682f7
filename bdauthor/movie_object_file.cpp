#include "bdauthor/movie_object_file.h"

#include "bdauthor/bdmv_paths.h"
#include "bdauthor/byte_composer.h"
#include "bdauthor/error_report.h"
#include "bdauthor/file_io.h"

namespace bdauthor {

namespace {
// General-purpose registers the titles share: resume request, playlist, mark and scratch.
constexpr int kR4059 = 4059, kR4060 = 4060, kR4061 = 4061, kR4062 = 4062, kR4063 = 4063, kR4064 = 4064;
}  // namespace

std::vector<MovieObject> BuildMovieObjects(int inputCount) {
  using C = NavigationCommand;
  std::vector<MovieObject> objects;
  const std::uint32_t n = static_cast<std::uint32_t>(inputCount);
  for (std::uint32_t title = 0; title < n; ++title) {
    const std::uint32_t next = title + 1 == n ? 0 : title + 2;
    objects.push_back(
        {0,
         {C::Move(kR4059, kR4063), C::MoveImmediate(kR4063, 0), C::CompareNotEqual(kR4059, 1), C::Goto(6),
          C::PlayPlaylistAtMark(title, kR4062), C::Goto(7), C::PlayPlaylist(title), C::MoveImmediate(kR4060, 0),
          C::MoveImmediate(kR4062, 0), C::MoveImmediate(kR4064, 0), C::JumpTitle(next)}});
  }
  objects.push_back({0, {C::JumpTitle(1)}});
  objects.push_back(
      {0,
       {C::MoveImmediate(kR4059, 0), C::MoveImmediate(kR4060, 0), C::MoveImmediate(kR4061, 0),
        C::MoveImmediate(kR4062, 0), C::MoveImmediate(kR4063, 0), C::MoveImmediate(kR4064, 0), C::JumpTitle(1)}});
  objects.push_back({0, {C::PlayPlaylistAtMarkRegisters(kR4060, kR4062), C::Goto(3), C::JumpTitle(1), C::Goto(0)}});
  return objects;
}

std::vector<std::uint8_t> ComposeMovieObjectBdmv(int inputCount) {
  const std::vector<MovieObject> objects = BuildMovieObjects(inputCount);
  ByteComposer f(50);
  f.PutText(0, "MOBJ");
  f.PutText(4, "0200");
  f.Put16(48, static_cast<std::uint32_t>(objects.size()));
  for (const MovieObject& object : objects) {
    std::size_t at = f.Grow(4 + 12 * object.commands.size());
    f.Put16(at, object.flags);
    f.Put16(at + 2, static_cast<std::uint32_t>(object.commands.size()));
    at += 4;
    for (const NavigationCommand& command : object.commands) {
      const auto code = command.Encode();
      for (std::uint8_t b : code) f.Put8(at++, b);
    }
  }
  f.Put32(40, static_cast<std::uint32_t>(f.Size() - 44));
  return f.Take();
}

bool CreateMovieObjectBDMV(const std::string& outputFolder, int inputCount) {
  if (inputCount > kMaxMovieObjectTitles) {
    ReportError("CreateMovieObjectBDMV - over buffer");
    return false;
  }
  return WriteReported(MovieObjectPath(outputFolder), ComposeMovieObjectBdmv(inputCount), "MovieObject.bdmv");
}

}  // namespace bdauthor
