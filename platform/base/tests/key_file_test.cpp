#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/key_file.h"
#include "platform/base/tests/fifo_guard.h"

namespace {

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp ? tmp : "/tmp") + "/keyfile/";
  ::mkdir(folder.c_str(), 0700);
  return folder;
}

std::string PathFor(const std::string& name) { return TempFolder() + name; }

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The value of key in section of the current group, or "<missing>".
std::string Value(ProjectKeyFile& file, const char* section, const char* key) {
  std::string value;
  return file.GetValue(section, key, value) ? value : "<missing>";
}

// A project-like file in every line-end convention.
const std::string kSample =
    "\r\n\r\n<PROJECT>\r\n"
    "\r\n[ clip list ]\r\n"
    "  count = 2  \r\n"
    "file=C:\\a=b.mpg\r\n"
    "FILE=second\r\n"
    ";comment=kept\r\n"
    "==lead\r\n"
    "<>\r\n"
    "[]\r\n"
    "=\r\n"
    "   \r\n"
    "\r\n\r\n<editor>\r\n"
    "orphan=goes to the last section\r\n"
    "\r\n[Timeline]\r\n"
    "Zoom=4\r\n";

}  // namespace

TEST(KeyFile, ReadsGroupsSectionsAndPairsAsWritten) {
  const std::string path = PathFor("sample.ilj5");
  WriteBytes(path, kSample);
  ProjectKeyFile file;
  ASSERT_TRUE(file.Open(path, FALSE));
  ASSERT_EQ(file.Groups().size(), 2u);
  EXPECT_EQ(file.Groups()[0]->Name(), "PROJECT");
  EXPECT_EQ(file.Groups()[1]->Name(), "EDITOR");
  EXPECT_EQ(file.CurrentGroup(), file.Groups()[0].get());

  EXPECT_EQ(Value(file, "Clip List", "COUNT"), " 2  ");        // key trimmed, value kept
  EXPECT_EQ(Value(file, "CLIP LIST", "file"), "C:\\a=b.mpg");  // first of two, second "=" kept
  EXPECT_EQ(Value(file, "clip list", ";COMMENT"), "kept");     // no comment syntax
  EXPECT_EQ(Value(file, "clip list", "lead"), "");             // leading "=" skipped
  EXPECT_EQ(Value(file, "clip list", "<>"), "");               // two-character brackets are pairs
  EXPECT_EQ(Value(file, "clip list", "[]"), "");
  EXPECT_EQ(Value(file, "clip list", "ORPHAN"), "goes to the last section");
  EXPECT_EQ(Value(file, "clip list", "missing"), "<missing>");
  EXPECT_EQ(Value(file, "Timeline", "Zoom"), "<missing>");  // another group

  std::string key, value;
  ASSERT_TRUE(file.GetEntry("clip list", 2, key, value));
  EXPECT_EQ(key, "FILE");
  EXPECT_EQ(value, "second");
  EXPECT_FALSE(file.GetEntry("clip list", 8, key, value));
  EXPECT_FALSE(file.GetEntry("clip list", -1, key, value));
  EXPECT_EQ(key, "");

  EXPECT_TRUE(file.SelectGroup("Editor"));
  EXPECT_EQ(Value(file, "timeline", "zoom"), "4");
  EXPECT_EQ(Value(file, "clip list", "count"), "<missing>");
  EXPECT_TRUE(file.SelectGroup("new one"));
  EXPECT_EQ(file.Groups().size(), 3u);
  EXPECT_EQ(file.Groups()[2]->Name(), "NEW ONE");
  EXPECT_TRUE(file.Close());
}

TEST(KeyFile, EveryLineEndReadsTheSameAndTheLastLineIsKept) {
  std::string lf, cr, nul;
  for (char c : kSample) {
    if (c == '\r') continue;
    lf += c;
  }
  for (char c : kSample) {
    if (c == '\n') continue;
    cr += c;
    nul += c == '\r' ? '\0' : c;
  }
  std::string unterminated = kSample.substr(0, kSample.size() - 2);  // "Zoom=4" without its end

  ProjectKeyFile reference;
  const std::string path = PathFor("ends.txt");
  WriteBytes(path, kSample);
  ASSERT_TRUE(reference.Open(path, FALSE));
  const std::string expected = reference.Serialize();
  for (const std::string& variant : {lf, cr, nul, unterminated}) {
    WriteBytes(path, variant);
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, FALSE));
    EXPECT_EQ(file.Serialize(), expected);
  }

  // Only a group or section line makes a key file.
  WriteBytes(path, "KEY=value\r\nOTHER=1");
  ProjectKeyFile pairsOnly;
  EXPECT_FALSE(pairsOnly.Open(path, FALSE));
  ProjectKeyFile missing;
  EXPECT_FALSE(missing.Open(PathFor("does-not-exist"), FALSE));
  ProjectKeyFile folder;
  EXPECT_FALSE(folder.Open(TempFolder(), FALSE));
  EXPECT_FALSE(folder.Open(TempFolder(), TRUE));
  EXPECT_FALSE(folder.Open(TempFolder() + "no/such/folder/x.txt", TRUE));

  // A section before any group lands in an unnamed group, written without a group line.
  WriteBytes(path, "[Profile]\nName=iPod\n");
  ProjectKeyFile unnamed;
  ASSERT_TRUE(unnamed.Open(path, FALSE));
  ASSERT_EQ(unnamed.Groups().size(), 1u);
  EXPECT_EQ(unnamed.Groups()[0]->Name(), "");
  EXPECT_EQ(unnamed.Serialize(), "\r\n[PROFILE]\r\nNAME=iPod\r\n");
}

TEST(KeyFile, WritesTheFormatByteForByte) {
  const std::string path = PathFor("written.ilj5");
  {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, TRUE));
    file.AddValue("first", "key", "in the unnamed group");
    file.SelectGroup("Project");
    file.AddValue(" clip list ", "count", " 2 ");
    file.AddValue("Clip List", "count", "3");  // appended, not replaced
    file.AddValues("Options", "a=1\r\n\r\nb= x=y \nlone\n=c");
    file.SelectGroup("editor");
    file.AddValue("empty", "k", "");
    EXPECT_EQ(Value(file, "empty", "K"), "");
    file.SelectGroup("PROJECT");
    EXPECT_EQ(Value(file, "clip list", "COUNT"), " 2 ");
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.Close());  // the write is done; nothing is written twice
  }
  const std::string expected =
      "\r\n[FIRST]\r\nKEY=in the unnamed group\r\n"
      "\r\n\r\n<PROJECT>\r\n"
      "\r\n[CLIP LIST]\r\nCOUNT= 2 \r\nCOUNT=3\r\n"
      "\r\n[OPTIONS]\r\nA=1\r\nB= x=y \r\nLONE=\r\nC=\r\n"
      "\r\n\r\n<EDITOR>\r\n"
      "\r\n[EMPTY]\r\nK=\r\n";
  EXPECT_EQ(ReadBytes(path), expected);

  ProjectKeyFile again;
  ASSERT_TRUE(again.Open(path, FALSE));
  EXPECT_EQ(again.Serialize(), expected);

  // The destructor finishes a write that was never closed.
  {
    ProjectKeyFile pending;
    ASSERT_TRUE(pending.Open(path, TRUE));
    pending.AddValue("S", "K", "V");
  }
  EXPECT_EQ(ReadBytes(path), "\r\n[S]\r\nK=V\r\n");
}

TEST(KeyFile, ASaveReplacesTheOldFileOnlyWhenItSucceeds) {
  const std::string path = PathFor("kept.ilj5");
  WriteBytes(path, "\r\n[OLD]\r\nA=1\r\n");
  ::chmod(path.c_str(), 0640);

  ProjectKeyFile file;
  ASSERT_TRUE(file.Open(path, TRUE));
  EXPECT_EQ(ReadBytes(path), "\r\n[OLD]\r\nA=1\r\n");  // nothing is lost before Close
  file.AddValue("NEW", "B", "2");
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(ReadBytes(path), "\r\n[NEW]\r\nB=2\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Saving through a link replaces the file it points at and keeps the link.
  const std::string link = PathFor("link.ilj5");
  ::unlink(link.c_str());
  ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
  ProjectKeyFile viaLink;
  ASSERT_TRUE(viaLink.Open(link, TRUE));
  viaLink.AddValue("LINKED", "C", "3");
  ASSERT_TRUE(viaLink.Close());
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(path), "\r\n[LINKED]\r\nC=3\r\n");
  if (geteuid() != 0) {  // root may write anywhere
    ::chmod(path.c_str(), 0440);
    ProjectKeyFile readOnly;
    EXPECT_FALSE(readOnly.Open(path, TRUE));
    ::chmod(path.c_str(), 0640);
  }
  WriteBytes(path, "\r\n[NEW]\r\nB=2\r\n");

  // A write that fails half-way (the file-size limit stands in for a full disk) reports FALSE
  // and leaves the old file and no temporary file behind.
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1024, 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    ProjectKeyFile big;
    if (!big.Open(path, TRUE)) _exit(4);
    big.AddValue("BIG", "DATA", std::string(64 * 1024, 'x'));
    _exit(big.Close() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadBytes(path), "\r\n[NEW]\r\nB=2\r\n");
  for (const auto& entry : std::filesystem::directory_iterator(TempFolder()))
    EXPECT_NE(entry.path().filename().string().rfind("kept.ilj5.", 0), 0u) << entry.path();
}

TEST(KeyFile, NamesAndValuesCannotInjectLinesAndBlankedKeysAreFoundAgain) {
  const std::string path = PathFor("inject.txt");
  {
    ProjectKeyFile file;
    ASSERT_TRUE(file.Open(path, TRUE));
    file.SelectGroup("G");
    file.AddValue("Clips", "File", "/home/u/odd\r\n[EVIL]\r\n<EVILGROUP>\nX=1");
    file.AddValue("Clips", "Two\nLines", std::string("nul\0inside", 10));
    file.AddValue("Clips", "<G2>", "would open a group");
    file.AddValue("Clips", "[S2]", "would open a section");
    file.AddValue("Clips", "   ", "would read back as a key");
    file.AddValue("  Blanked Section  ", "  blanked key  ", " v ");
    file.SelectGroup("  second  ");
    file.AddValue("S", "K", "V");
    file.AddValue("", "Nameless", "1");  // "[]" would read back as a pair
    ASSERT_TRUE(file.Close());
  }
  ProjectKeyFile file;
  ASSERT_TRUE(file.Open(path, FALSE));
  ASSERT_EQ(file.Groups().size(), 2u);
  EXPECT_EQ(file.Groups()[1]->Name(), "SECOND");
  ASSERT_EQ(file.Groups()[0]->Sections().size(), 2u);
  const ProjectKeyItem& clips = *file.Groups()[0]->Sections()[0];
  ASSERT_EQ(clips.Count(), 2u);
  EXPECT_EQ(clips.ValueAt(0), "/home/u/odd  [EVIL]  <EVILGROUP> X=1");
  EXPECT_EQ(clips.KeyAt(1), "TWO LINES");
  EXPECT_EQ(clips.ValueAt(1), "nul inside");
  EXPECT_EQ(Value(file, "  blanked section ", " blanked key "), " v ");
  EXPECT_EQ(Value(file, "BLANKED SECTION", "BLANKED KEY"), " v ");
  file.SelectGroup("Second");
  EXPECT_EQ(Value(file, "", "nameless"), "1");
  EXPECT_EQ(Value(file, "S", "K"), "V");
}

TEST(ExtractToken, ListsOfItemsAndPairs) {
  struct Step {
    const char* delimiters;
    BOOL result;
    const char* token;
    const char* rest;
  };
  struct Case {
    const char* source;
    std::vector<Step> steps;
  };
  const std::vector<Case> cases = {
      {";;first;second", {{";", TRUE, "first", "second"}, {";", TRUE, "second", ""}, {";", FALSE, "second", ""}}},
      {"a=b=c", {{"=", TRUE, "a", "b=c"}, {nullptr, TRUE, "b=c", ""}}},
      {"x", {{nullptr, FALSE, "x", ""}}},  // a token of one character answers FALSE
      {";", {{";", FALSE, "", ";"}}},
      {";;", {{";", FALSE, "", ";"}}},
      {"", {{";", FALSE, "", ""}}},
      {"key=", {{"=", TRUE, "key", ""}, {nullptr, FALSE, "", ""}}},
      {"a,b;c", {{",;", TRUE, "a", "b;c"}, {",;", TRUE, "b", "c"}}},
  };
  for (const Case& c : cases) {
    std::string source = c.source, token;
    for (const Step& s : c.steps) {
      EXPECT_EQ(ExtractToken(source, s.delimiters, token), s.result) << c.source;
      EXPECT_EQ(token, s.token) << c.source;
      EXPECT_EQ(source, s.rest) << c.source;
    }
  }
}

// A FIFO held open() for good and /dev/zero was read until memory ran out: only regular files
// are read, and a save never replaces anything else.
TEST(KeyFile, FifosAndDevicesAreRefusedWithoutBlocking) {
  platform::test::FifoGuard fifo(PathFor("pipe.ilj5"));
  ASSERT_TRUE(fifo.Made());
  ProjectKeyFile reader;
  EXPECT_FALSE(reader.Open(fifo.Path(), FALSE));
  EXPECT_TRUE(reader.Groups().empty());
  ProjectKeyFile zero;
  EXPECT_FALSE(zero.Open("/dev/zero", FALSE));
  ProjectKeyFile writer;
  EXPECT_FALSE(writer.Open(fifo.Path(), TRUE));
  EXPECT_FALSE(writer.Open(TempFolder(), TRUE));
}

// Leading delimiters went one erase at a time: a long run of them took minutes.
TEST(ExtractToken, LongRunsOfDelimitersAreCutAtOnce) {
  std::string source(std::size_t{16} << 20, '=');
  std::string token = "before";
  EXPECT_FALSE(ExtractToken(source, "=", token));
  EXPECT_EQ(source, "=");
  EXPECT_EQ(token, "before");
  source = std::string(std::size_t{16} << 20, '=') + "key=value";
  EXPECT_TRUE(ExtractToken(source, "=", token));
  EXPECT_EQ(token, "key");
  EXPECT_EQ(source, "value");
}
