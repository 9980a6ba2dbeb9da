#pragma once
// What QOR's type library file must hold for every client to read it right:
// duals based on stdole2's IDispatch imported by its GUID, the events as a
// pure dispinterface of nine methods, enumeration members with their help
// strings, and the sizes and alignments of a 64-bit build.

#include <string>
#include <vector>

#include "qor/com/typelib_file.h"

namespace qor {

// One line per problem; empty when the library is right.
std::vector<std::string> CheckQorTypeLib(const TypeLibFile& file);

// Parses the bytes and checks them; one line per problem.
std::vector<std::string> CheckQorTypeLibBytes(const std::string& bytes);

}  // namespace qor
