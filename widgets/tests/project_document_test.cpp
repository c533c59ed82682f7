#include <gtest/gtest.h>

#include "widgets/project_document.h"

TEST(ProjectDocument, ThePackSeesTheCurrentGroupAndCannotDeleteTheDocument) {
  ProjectKeyFile file;
  file.InitEmpty();
  file.SelectGroup("QnPack.Editor_5");
  file.AddValue("Timeline", "Zoom", "4");
  file.AddValue("Timeline", "Track", "video");

  auto* document = new CProjectDocument(&file);
  EXPECT_EQ(document->RefCount(), 1u);  // the creator's reference

  // A pack that takes and drops its own references leaves the document alive.
  IUnknown* unknown = nullptr;
  ASSERT_EQ(document->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  IProjectDocument* pack = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IProjectDocument, reinterpret_cast<void**>(&pack)), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(pack), unknown);
  EXPECT_EQ(unknown->Release(), 2u);
  EXPECT_EQ(pack->Release(), 1u);
  void* other = reinterpret_cast<void*>(1);
  const IID unknownIid = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
  EXPECT_EQ(document->QueryInterface(unknownIid, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);

  IProjectDocument* doc = document;
  LPCSTR value = "x";
  EXPECT_EQ(doc->GetValue("timeline", "zoom", &value), S_OK);
  EXPECT_STREQ(value, "4");
  EXPECT_EQ(doc->GetValue("timeline", "missing", &value), E_FAIL);
  EXPECT_EQ(value, nullptr);
  LPCSTR key = nullptr;
  EXPECT_EQ(doc->GetValueAt("TIMELINE", 1, &key, &value), S_OK);
  EXPECT_STREQ(key, "TRACK");
  EXPECT_STREQ(value, "video");
  EXPECT_EQ(doc->GetValueAt("TIMELINE", 2, &key, &value), E_FAIL);
  EXPECT_EQ(doc->GetValue("timeline", "zoom", nullptr), E_POINTER);

  EXPECT_EQ(doc->SetValue("Markers", "First", "00:01"), S_OK);
  EXPECT_EQ(doc->SetValues("Markers", "Second=00:02\r\nThird=00:03"), S_OK);
  EXPECT_EQ(doc->Release(), 0u);  // the creator's release ends it; the file stays

  std::string text;
  ASSERT_TRUE(file.GetValue("markers", "third", text));
  EXPECT_EQ(text, "00:03");
  ASSERT_EQ(file.Groups().size(), 1u);
  EXPECT_EQ(file.Groups()[0]->Name(), "QNPACK.EDITOR_5");
}
