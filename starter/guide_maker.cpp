// Makes the user guide at build time: a plain text file set as a PDF in one Helvetica face,
// a page for every 50 lines.
//   guide_maker <text file> <pdf file>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kLinesPerPage = 50;

// Text inside a PDF string: backslash and parentheses escaped, anything outside ASCII dropped.
std::string Escaped(const std::string& line) {
  std::string out;
  for (unsigned char c : line) {
    if (c == '\\' || c == '(' || c == ')') out += '\\';
    if (c >= 32 && c < 127) out += static_cast<char>(c);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: guide_maker <text file> <pdf file>\n");
    return 2;
  }
  std::ifstream text(argv[1]);
  if (!text) {
    std::fprintf(stderr, "guide_maker: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(Escaped(line));
  if (lines.empty()) lines.emplace_back();
  const int pages = static_cast<int>((lines.size() + kLinesPerPage - 1) / kLinesPerPage);

  // Objects: 1 catalogue, 2 page tree, 3 font, then a page and its content for each page.
  std::vector<std::string> objects(3 + 2 * pages);
  objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
  std::ostringstream kids;
  for (int p = 0; p < pages; ++p) kids << (4 + 2 * p) << " 0 R ";
  objects[1] = "<< /Type /Pages /Kids [" + kids.str() + "] /Count " + std::to_string(pages) + " >>";
  objects[2] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
  for (int p = 0; p < pages; ++p) {
    std::ostringstream content;
    content << "BT /F1 11 Tf 14 TL 56 780 Td\n";
    for (int i = p * kLinesPerPage; i < std::min<int>((p + 1) * kLinesPerPage, static_cast<int>(lines.size())); ++i)
      content << "(" << lines[i] << ") Tj T*\n";
    content << "ET";
    const std::string stream = content.str();
    objects[3 + 2 * p] =
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R >> >> "
        "/Contents " +
        std::to_string(5 + 2 * p) + " 0 R >>";
    objects[4 + 2 * p] = "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream";
  }

  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof(entry), "%010zu 00000 n \n", offset);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  std::ofstream out(argv[2], std::ios::binary);
  out << pdf;
  if (!out) {
    std::fprintf(stderr, "guide_maker: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
