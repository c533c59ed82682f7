// The user guide the build sets: a PDF whose cross-reference table finds every object.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/base/paths.h"

namespace {

TEST(UserGuide, TheBuiltGuideIsAPdfWhoseTableFindsEachObjectAndHoldsTheText) {
  std::ifstream file(platform::AppFolder() + "Vidarro5UG.pdf", std::ios::binary);
  ASSERT_TRUE(file.good());
  std::stringstream buffer;
  buffer << file.rdbuf();
  const std::string pdf = buffer.str();
  ASSERT_EQ(0u, pdf.rfind("%PDF-1.", 0));
  const size_t start = pdf.rfind("startxref\n");
  ASSERT_NE(std::string::npos, start);
  const size_t xref = std::stoul(pdf.substr(start + 10));
  ASSERT_EQ(0u, pdf.compare(xref, 5, "xref\n"));
  std::istringstream table(pdf.substr(xref + 5));
  int first = 0, count = 0;
  table >> first >> count;
  ASSERT_GT(count, 3);
  std::string offset, generation, kind;
  table >> offset >> generation >> kind;  // the free head
  for (int object = 1; object < count; ++object) {
    table >> offset >> generation >> kind;
    ASSERT_EQ("n", kind);
    const std::string head = std::to_string(object) + " 0 obj";
    EXPECT_EQ(0, pdf.compare(std::stoul(offset), head.size(), head)) << object;
  }
  EXPECT_NE(std::string::npos, pdf.find("(Narvell Vidarro 5.0 - User Guide) Tj"));
  EXPECT_NE(std::string::npos, pdf.find("/Root 1 0 R"));
}

}  // namespace
