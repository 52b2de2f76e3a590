// How ImageLib reaches files: readers through the file API (archive first),
// writers as plain files under the platform's path rules.
#pragma once

#include "resources/ImageLib.h"

#include <cstdio>
#include <memory>
#include <string>

namespace Kivo {
namespace ImageLib {

// Opens `name` for reading through the file API; null when it cannot.
std::unique_ptr<ImageInput> OpenFileApiInput(const std::string& name);

// Creates (or truncates) a plain file for binary writing; null on failure.
FILE* OpenPlainFileForWriting(const std::string& name);

}  // namespace ImageLib
}  // namespace Kivo
