// Where uploads go: one answer for the upload library and the uploader's window.
#pragma once

#include <string>

// The per-user string value of the uploader's key that holds the service's address.
constexpr const char* kUploadUrlValue = "UploadUrl";
constexpr const char* kUploadUrlVariable = "VIDARRO_UPLOAD_URL";

enum class UploadAddressProblem {
  None,
  NotSet,     // no address, or an empty one
  Refused,    // neither http nor https (file://, ftp://), or no host to reach
  ClearText,  // http to a host off this machine: the password would travel readable
};

struct UploadAddress {
  std::string url;         // without trailing "/"; empty unless usable
  std::string configured;  // as found, for the message
  UploadAddressProblem problem = UploadAddressProblem::NotSet;
};

// VIDARRO_UPLOAD_URL when set and not empty, else "UploadUrl" under the uploader's per-user key.
UploadAddress FindUploadAddress();
// The same rules for an address given as it is.
UploadAddress CheckUploadAddress(const std::string& configured);
