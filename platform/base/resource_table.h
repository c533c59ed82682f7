// The table a compiled resource library exports as "VidarroResources". Written by the resource
// compiler and read by the resource loader; plain C layout so it crosses the library boundary.
#pragma once

extern "C" {

struct VidarroResourceEntry {
  unsigned short typeId;  // 0 when the type has a name
  const char* typeName;   // upper case; null for numbered types
  unsigned short id;      // 0 when the resource has a name
  const char* name;       // upper case; null for numbered resources
  const unsigned char* data;
  unsigned int size;
};

struct VidarroResourceTable {
  unsigned int version;  // 1
  const VidarroResourceEntry* entries;
  unsigned int count;
};

using VidarroResourcesFn = const VidarroResourceTable* (*)();
}
