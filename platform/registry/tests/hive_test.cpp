#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/registry/hive.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/registry.h"

using platform::registry::HiveFile;
using platform::registry::ParseHive;
using platform::registry::RegKeyNode;
using platform::registry::SerializeHive;

namespace {

std::vector<BYTE> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

RegKeyNode SampleTree() {
  RegKeyNode root;
  RegKeyNode* product = root.AddSubkey("Software")->AddSubkey("Narvell")->AddSubkey("Vidarro 5");
  product->SetValue("AppPath", 1, Bytes(std::string("/opt/vidarro 5/\0", 16)));
  product->SetValue("", 1, Bytes("default"));
  product->SetValue("odd name %20\n=\x01\xC3\xA9", 3, Bytes(std::string("\0\xFF\n", 3)));
  product->SetValue("Empty", 3, {});
  product->AddSubkey("Adjust")->AddSubkey("USB 2.0 Grabber %");
  root.AddSubkey("Empty Key");
  return root;
}

void ExpectSameTree(const RegKeyNode& a, const RegKeyNode& b) {
  EXPECT_EQ(a.Name(), b.Name());
  ASSERT_EQ(a.Values().size(), b.Values().size()) << a.Name();
  for (size_t i = 0; i < a.Values().size(); ++i) {
    EXPECT_EQ(a.Values()[i].name, b.Values()[i].name);
    EXPECT_EQ(a.Values()[i].type, b.Values()[i].type);
    EXPECT_EQ(a.Values()[i].data, b.Values()[i].data);
  }
  ASSERT_EQ(a.Subkeys().size(), b.Subkeys().size()) << a.Name();
  for (size_t i = 0; i < a.Subkeys().size(); ++i) ExpectSameTree(*a.Subkeys()[i], *b.Subkeys()[i]);
}

}  // namespace

TEST(Hive, AnyNameAndDataSurviveTheTextForm) {
  const RegKeyNode tree = SampleTree();
  const std::string text = SerializeHive(tree, "5eed");
  EXPECT_EQ(platform::registry::HiveFirstLine(text), "VIDARRO-REGISTRY 1 5eed");
  auto back = ParseHive(text);
  ASSERT_TRUE(back);
  ExpectSameTree(tree, *back);
  EXPECT_EQ(SerializeHive(*back, "5eed"), text);
}

TEST(Hive, OnlyAWholeTextIsAccepted) {
  const std::string text = SerializeHive(SampleTree());
  for (size_t cut = 0; cut < text.size(); ++cut) EXPECT_FALSE(ParseHive(text.substr(0, cut))) << "cut at " << cut;
  EXPECT_FALSE(ParseHive(text + "K =After\n"));
  EXPECT_FALSE(ParseHive("VIDARRO-REGISTRY 1\nV =x 4 0g\nEND\n"));  // bad hex
  EXPECT_FALSE(ParseHive("VIDARRO-REGISTRY 1\nK =a\\\\b\nEND\n"));  // empty key name
  EXPECT_FALSE(ParseHive("VIDARRO-REGISTRY 1\nV =x 99999999999 00\nEND\n"));
  EXPECT_FALSE(ParseHive("VIDARRO-REGISTRY 1\nV =%4 4 00\nEND\n"));  // cut escape
  EXPECT_FALSE(ParseHive("VIDARRO-REGISTRY 12\nEND\n"));
  EXPECT_FALSE(ParseHive("VIDARRO-REGISTRY 1 \nEND\n"));
  EXPECT_TRUE(ParseHive("VIDARRO-REGISTRY 1\nEND\n"));
  EXPECT_TRUE(ParseHive("VIDARRO-REGISTRY 1 0123abcd\nEND\n"));
}

// Two copies of one hive in memory stand for two processes: each must notice every save of
// the other, even saves that keep the file's size and follow each other within a clock tick.
TEST(Hive, EverySaveIsNoticedByOtherCopies) {
  const std::string base = std::string(std::getenv("TMPDIR")) + "/hive-copies";
  std::filesystem::remove(base + ".reg");
  HiveFile writer(base), reader(base);
  for (DWORD i = 0; i < 200; ++i) {
    ASSERT_EQ(writer.Write([&](RegKeyNode& root, bool* changed) {
      root.SetValue("N", 4, {static_cast<BYTE>(i), 0, 0, 0});
      *changed = true;
      return ERROR_SUCCESS;
    }),
              ERROR_SUCCESS);
    BYTE seen = 0xFF;
    ASSERT_EQ(reader.Read([&](const RegKeyNode& root) {
      if (const auto* v = root.FindValue("n")) seen = v->data[0];
      return ERROR_SUCCESS;
    }),
              ERROR_SUCCESS);
    ASSERT_EQ(seen, static_cast<BYTE>(i));
  }
}

TEST(Hive, NamesMatchWithoutCaseAndSubkeysStaySorted) {
  RegKeyNode root;
  bool created = false;
  root.AddSubkey("beta");
  root.AddSubkey("Alpha");
  root.AddSubkey("GAMMA");
  EXPECT_EQ(root.AddSubkey("ALPHA", &created)->Name(), "Alpha");
  EXPECT_FALSE(created);
  ASSERT_EQ(root.Subkeys().size(), 3u);
  EXPECT_EQ(root.Subkeys()[0]->Name(), "Alpha");
  EXPECT_EQ(root.Subkeys()[1]->Name(), "beta");
  EXPECT_EQ(root.Subkeys()[2]->Name(), "GAMMA");

  root.SetValue("Second", 4, Bytes("2222"));
  root.SetValue("First", 4, Bytes("1111"));
  root.SetValue("SECOND", 1, Bytes("x"));  // replaced in place, spelling kept
  ASSERT_EQ(root.Values().size(), 2u);
  EXPECT_EQ(root.Values()[0].name, "Second");
  EXPECT_EQ(root.Values()[0].type, 1u);
  EXPECT_TRUE(root.RemoveValue("first"));
  EXPECT_FALSE(root.RemoveValue("first"));
  EXPECT_TRUE(root.RemoveSubkey("Beta"));
  EXPECT_EQ(root.FindSubkey("beta"), nullptr);
}
