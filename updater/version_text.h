// Which recorded version names a folder the updater may delete. No Windows
// header here.
#pragma once

#include <string>

namespace tavrin {

// Four dot-separated decimal numbers of 1 to 5 digits, each at most 65535,
// as a program file's version is written ("1.0.0.1").
bool isFourPartVersion(const std::string& text);

// The folder of the replaced version is deleted only when the old version
// is such a text and differs from the new one: an equal version would name
// the folder just installed, and "" or "." would name the installation.
bool shouldDeleteReplacedVersionFolder(const std::string& oldVersion, const std::string& newVersion);

}  // namespace tavrin
