#pragma once
// TypeLibFile: reads a type library file ("MSFT" layout) straight from its
// bytes: the header, the type entries with their members' names and dispids,
// and the table of imported types. It trusts no system reader, so that what
// it reports is what every reader on every system gets from the file.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qor {

class TypeLibFile {
public:
    // One imported type: a type of another library, named by its GUID (or,
    // without the GUID flag, by its index in that library).
    struct Import {
        int32_t offset = 0;        // in the import table; a reference is offset | 1
        int typeKind = 0;          // TKIND_*
        bool byGuid = false;
        int32_t guidOffset = -1;   // -1: none
        GUID guid = {};            // valid when byGuid and guidOffset >= 0
        GUID libraryGuid = {};     // the library the type comes from
        std::string fileName;      // as the import names it
    };
    struct Member {
        std::string name;
        int32_t memid = 0;
        std::string help;          // variables only
    };
    struct Type {
        std::string name;
        std::string help;
        int typeKind = 0;          // TKIND_*
        int alignment = 0;
        uint32_t flags = 0;        // TYPEFLAG_*
        bool hasGuid = false;
        GUID guid = {};
        int implTypes = 0;
        int vtableSize = 0;        // bytes
        int32_t size = 0;          // bytes of an instance
        int32_t baseRef = -1;      // interfaces: the reference of the base type
        int64_t entryOffset = 0;   // of the type's entry in the file
        std::vector<Member> functions;
        std::vector<Member> variables;
    };

    // False (and `error` says why) when the bytes are not a well-formed
    // library of this layout.
    bool Parse(const std::string& bytes, std::string& error);

    const GUID& LibraryGuid() const { return libraryGuid_; }
    const std::string& Name() const { return name_; }
    int32_t DispatchRef() const { return dispatchRef_; }
    const std::vector<Type>& Types() const { return types_; }
    const std::vector<Import>& Imports() const { return imports_; }
    // The import that a reference names, or null (a type of this library,
    // or no valid entry).
    const Import* ImportOf(int32_t ref) const;
    const Type* FindType(const std::string& name) const;

    // Offsets of fields within a type's entry, for a writer that mends them.
    static constexpr int kVtableSizeField = 0x4E;  // 16 bits
    static constexpr int kSizeField = 0x50;        // 32 bits

private:
    GUID libraryGuid_ = {};
    std::string name_;
    int32_t dispatchRef_ = -1;
    std::vector<Type> types_;
    std::vector<Import> imports_;
};

}  // namespace qor
