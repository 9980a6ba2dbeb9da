#include "qor/com/typelib_file.h"

#include <cstring>

namespace qor {
namespace {

constexpr uint32_t kSignature = 0x5446534D;  // "MSFT"
constexpr uint32_t kHelpDllFlag = 0x100;
constexpr size_t kHeaderSize = 0x54;
constexpr size_t kSegmentCount = 15;
constexpr size_t kTypeEntrySize = 0x64;
constexpr size_t kImportEntrySize = 12;
constexpr size_t kGuidEntrySize = 24;
constexpr uint32_t kImportByGuid = 0x00010000;

enum Segment { kTypeInfos, kImportInfos, kImportFiles, kRefs, kGuidHash, kGuids, kNameHash,
               kNames, kStrings };

// Bounds-checked little-endian reads: a damaged file yields an error, never
// a read outside the bytes.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    bool Has(int64_t offset, int64_t size) const {
        return offset >= 0 && size >= 0 && offset + size <= static_cast<int64_t>(bytes_.size());
    }
    bool Int(int64_t offset, int32_t& value) const {
        if (!Has(offset, 4)) return false;
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<uint8_t>(bytes_[static_cast<size_t>(offset + i)]);
        value = static_cast<int32_t>(v);
        return true;
    }
    bool Short(int64_t offset, int32_t& value) const {
        if (!Has(offset, 2)) return false;
        const size_t o = static_cast<size_t>(offset);
        value = static_cast<int16_t>(static_cast<uint8_t>(bytes_[o]) |
                                     (static_cast<uint8_t>(bytes_[o + 1]) << 8));
        return true;
    }
    bool Bytes(int64_t offset, size_t size, void* out) const {
        if (!Has(offset, static_cast<int64_t>(size))) return false;
        memcpy(out, bytes_.data() + offset, size);
        return true;
    }
    std::string Text(int64_t offset, size_t size) const {
        return Has(offset, static_cast<int64_t>(size))
                   ? bytes_.substr(static_cast<size_t>(offset), size)
                   : std::string();
    }

private:
    const std::string& bytes_;
};

struct SegmentEntry {
    int32_t offset = -1;
    int32_t length = 0;
};

class Parser {
public:
    Parser(const std::string& bytes, std::string& error) : in_(bytes), error_(error) {}

    bool Fail(const std::string& what) {
        error_ = what;
        return false;
    }

    bool ReadSegments(int64_t at) {
        for (size_t i = 0; i < kSegmentCount; ++i) {
            if (!in_.Int(at + 16 * static_cast<int64_t>(i), segments_[i].offset) ||
                !in_.Int(at + 16 * static_cast<int64_t>(i) + 4, segments_[i].length))
                return Fail("segment directory cut short");
            if (segments_[i].offset != -1 && !in_.Has(segments_[i].offset, segments_[i].length))
                return Fail("segment outside the file");
        }
        return true;
    }

    // An offset into a segment, checked against the segment's length.
    bool At(Segment s, int32_t offset, int32_t size, int64_t& where) const {
        const SegmentEntry& e = segments_[s];
        if (e.offset < 0 || offset < 0 || size < 0 ||
            offset + static_cast<int64_t>(size) > e.length)
            return false;
        where = static_cast<int64_t>(e.offset) + offset;
        return true;
    }

    bool GuidAt(int32_t offset, GUID& guid) const {
        int64_t where = 0;
        return At(kGuids, offset, kGuidEntrySize, where) && in_.Bytes(where, sizeof(GUID), &guid);
    }

    std::string NameAt(int32_t offset) const {
        int64_t where = 0;
        int32_t length = 0;
        if (!At(kNames, offset, 12, where) || !in_.Int(where + 8, length)) return std::string();
        length &= 0xFF;
        int64_t text = 0;
        if (!At(kNames, offset + 12, length, text)) return std::string();
        return in_.Text(text, static_cast<size_t>(length));
    }

    std::string StringAt(int32_t offset) const {
        int64_t where = 0;
        int32_t length = 0;
        if (offset < 0 || !At(kStrings, offset, 2, where) || !in_.Short(where, length))
            return std::string();
        length &= 0xFFFF;
        int64_t text = 0;
        if (!At(kStrings, offset + 2, length, text)) return std::string();
        return in_.Text(text, static_cast<size_t>(length));
    }

    bool ReadImports(std::vector<TypeLibFile::Import>& imports) {
        const SegmentEntry& table = segments_[kImportInfos];
        if (table.offset < 0) return true;
        for (int32_t o = 0; o + static_cast<int32_t>(kImportEntrySize) <= table.length;
             o += kImportEntrySize) {
            TypeLibFile::Import imp;
            int32_t flags = 0;
            int32_t file = 0;
            in_.Int(table.offset + o, flags);
            in_.Int(table.offset + o + 4, file);
            in_.Int(table.offset + o + 8, imp.guidOffset);
            imp.offset = o;
            imp.typeKind = (static_cast<uint32_t>(flags) >> 24) & 0xFF;
            imp.byGuid = (static_cast<uint32_t>(flags) & kImportByGuid) != 0;
            if (imp.byGuid && imp.guidOffset >= 0 && !GuidAt(imp.guidOffset, imp.guid))
                return Fail("import names a GUID outside the GUID table");
            int64_t where = 0;
            int32_t libGuid = 0;
            int32_t nameLength = 0;
            if (!At(kImportFiles, file, 14, where) || !in_.Int(where, libGuid) ||
                !in_.Short(where + 12, nameLength))
                return Fail("import names no valid library");
            if (!GuidAt(libGuid, imp.libraryGuid)) return Fail("imported library has no GUID");
            nameLength = (nameLength & 0xFFFF) >> 2;
            int64_t text = 0;
            if (At(kImportFiles, file + 14, nameLength, text))
                imp.fileName = in_.Text(text, static_cast<size_t>(nameLength));
            imports.push_back(imp);
        }
        return true;
    }

    // The member block of a type: records, then one dispid and one name
    // offset per member, functions first.
    bool ReadMembers(int32_t blockOffset, TypeLibFile::Type& type, int functions, int variables) {
        if (functions + variables == 0) return true;
        int32_t recordsLength = 0;
        if (!in_.Int(blockOffset, recordsLength) || recordsLength < 0)
            return Fail("member block of " + type.name + " outside the file");
        const int64_t records = static_cast<int64_t>(blockOffset) + 4;
        const int64_t ids = records + recordsLength;
        const int count = functions + variables;
        if (!in_.Has(ids, 8LL * count)) return Fail("member block of " + type.name + " cut short");
        int64_t record = records;
        for (int i = 0; i < count; ++i) {
            TypeLibFile::Member m;
            int32_t nameOffset = 0;
            in_.Int(ids + 4LL * i, m.memid);
            in_.Int(ids + 4LL * (count + i), nameOffset);
            m.name = NameAt(nameOffset);
            int32_t info = 0;
            if (!in_.Int(record, info)) return Fail("member record of " + type.name + " cut short");
            const int32_t size = info & 0xFFFF;
            if (size < 20 || record + size > ids)
                return Fail("member record of " + type.name + " has a bad size");
            if (i < functions) {
                type.functions.push_back(m);
            } else {
                // A variable's help string follows its value and help context.
                int32_t help = -1;
                if (size >= 28) in_.Int(record + 24, help);
                m.help = StringAt(help);
                type.variables.push_back(m);
            }
            record += size;
        }
        return true;
    }

    bool ReadType(int32_t index, TypeLibFile::Type& type) {
        int64_t e = 0;
        if (!At(kTypeInfos, index * static_cast<int32_t>(kTypeEntrySize), kTypeEntrySize, e))
            return Fail("type entry outside its table");
        int32_t kind = 0, block = 0, elements = 0, guid = 0, flags = 0, name = 0, doc = 0;
        int32_t impl = 0, vft = 0;
        in_.Int(e, kind);
        in_.Int(e + 0x04, block);
        in_.Int(e + 0x18, elements);
        in_.Int(e + 0x2C, guid);
        in_.Int(e + 0x30, flags);
        in_.Int(e + 0x34, name);
        in_.Int(e + 0x3C, doc);
        in_.Short(e + 0x4C, impl);
        in_.Short(e + TypeLibFile::kVtableSizeField, vft);
        in_.Int(e + TypeLibFile::kSizeField, type.size);
        in_.Int(e + 0x54, type.baseRef);
        type.entryOffset = e;
        type.typeKind = kind & 0xF;
        type.alignment = (kind >> 11) & 0x1F;
        type.flags = static_cast<uint32_t>(flags) & 0xFFFF;
        type.name = NameAt(name);
        type.help = StringAt(doc);
        type.implTypes = impl & 0xFFFF;
        type.vtableSize = vft & 0xFFFF;
        type.hasGuid = guid >= 0;
        if (type.hasGuid && !GuidAt(guid, type.guid))
            return Fail(type.name + ": GUID outside its table");
        const int functions = elements & 0xFFFF;
        const int variables = (static_cast<uint32_t>(elements) >> 16) & 0xFFFF;
        return ReadMembers(block, type, functions, variables);
    }

    bool Run(GUID& libraryGuid, std::string& name, int32_t& dispatchRef,
             std::vector<TypeLibFile::Type>& types, std::vector<TypeLibFile::Import>& imports) {
        int32_t magic = 0, guid = 0, varflags = 0, typeCount = 0, nameOffset = 0;
        if (!in_.Int(0, magic) || static_cast<uint32_t>(magic) != kSignature ||
            !in_.Has(0, kHeaderSize))
            return Fail("not a type library of the MSFT layout");
        in_.Int(0x08, guid);
        in_.Int(0x14, varflags);
        in_.Int(0x20, typeCount);
        in_.Int(0x38, nameOffset);
        in_.Int(0x4C, dispatchRef);
        if (typeCount < 0 || typeCount > 0xFFFF) return Fail("bad type count");
        int64_t at = kHeaderSize;
        if (static_cast<uint32_t>(varflags) & kHelpDllFlag) at += 4;
        at += 4LL * typeCount;  // the offsets of the types' member blocks
        if (!ReadSegments(at)) return false;
        if (!GuidAt(guid, libraryGuid)) return Fail("library has no GUID");
        name = NameAt(nameOffset);
        if (!ReadImports(imports)) return false;
        for (int32_t i = 0; i < typeCount; ++i) {
            TypeLibFile::Type type;
            if (!ReadType(i, type)) return false;
            types.push_back(type);
        }
        return true;
    }

private:
    Reader in_;
    std::string& error_;
    SegmentEntry segments_[kSegmentCount];
};

}  // namespace

bool TypeLibFile::Parse(const std::string& bytes, std::string& error) {
    types_.clear();
    imports_.clear();
    dispatchRef_ = -1;
    return Parser(bytes, error).Run(libraryGuid_, name_, dispatchRef_, types_, imports_);
}

const TypeLibFile::Import* TypeLibFile::ImportOf(int32_t ref) const {
    if (ref < 0 || (ref & 3) != 1) return nullptr;
    for (const Import& imp : imports_)
        if (imp.offset == (ref & ~3)) return &imp;
    return nullptr;
}

const TypeLibFile::Type* TypeLibFile::FindType(const std::string& name) const {
    for (const Type& t : types_)
        if (t.name == name) return &t;
    return nullptr;
}

}  // namespace qor
