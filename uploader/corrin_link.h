// The uploader's link with the main program and the messages that reach its window.
#pragma once

#include "converter/parvel_link.h"
#include "platform/base/win_types.h"

constexpr UINT WM_UPLOADER_LINK = 0x0400 + 206;
constexpr UINT WM_UPLOAD_NOTIFY = 0x0400 + 100;
// From the maker's other editing program: conversion progress, failure and end.
constexpr UINT WM_EDITOR_CONVERSION = 0x0400 + 1000;

constexpr const char* kCorrinKey = "SOFTWARE\\Narvell\\Corrin";
constexpr const char* kVidarroKey = "SOFTWARE\\Narvell\\Vidarro";
