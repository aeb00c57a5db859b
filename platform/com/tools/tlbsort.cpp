// Build-time tool: puts the entries of a type library (MSFT format, as widl writes it) into a
// given order.
//
// widl creates an entry the moment anything refers to it, so an interface whose method returns a
// later interface drags that one (and whatever it refers to) in front of the entries that follow
// it in the IDL. The order of the entries is part of a library's published shape (clients index
// them), so we restore the declared order afterwards: the fixed-size entry records are permuted
// and every reference to an entry (by its record offset or its index) is rewritten.
//
//   tlbsort IN OUT NAME...   write IN to OUT with the named entries first, in that order
//   tlbsort --list IN        print the entries in their order
//
// Plain standard C++, built for the build machine.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kMagic1 = 0x5446534D;  // "MSFT"
constexpr int kHeaderInts = 21;
constexpr int kHelpDllFlag = 0x100;
constexpr int kSegments = 15;
constexpr int kSegTypeInfo = 0, kSegReferences = 3, kSegGuid = 5, kSegName = 7, kSegTypeDesc = 9;
constexpr int kTypeInfoSize = 0x64;
// Field offsets inside one entry record.
constexpr int kTiTypeKind = 0x00, kTiPosGuid = 0x2C, kTiNameOffset = 0x34, kTiDataType1 = 0x54;
constexpr int kTkindInterface = 3, kTkindDispatch = 4;
constexpr int kVtUserDefined = 29;

struct Library {
    std::vector<unsigned char> bytes;
    int count = 0;
    int segDir = 0;

    int32_t Get(size_t at) const {
        if (at + 4 > bytes.size()) throw std::runtime_error("truncated type library");
        int32_t v;
        std::memcpy(&v, &bytes[at], 4);
        return v;
    }
    void Put(size_t at, int32_t v) { std::memcpy(&bytes[at], &v, 4); }
    int32_t SegOffset(int seg) const { return Get(segDir + seg * 16); }
    int32_t SegLength(int seg) const { return Get(segDir + seg * 16 + 4); }
    size_t Record(int i) const { return SegOffset(kSegTypeInfo) + size_t(i) * kTypeInfoSize; }

    std::string Name(int i) const {
        size_t entry = SegOffset(kSegName) + size_t(Get(Record(i) + kTiNameOffset));
        int len = Get(entry + 8) & 0xFF;
        if (entry + 12 + len > bytes.size()) throw std::runtime_error("bad name entry");
        return std::string(reinterpret_cast<const char*>(&bytes[entry + 12]), len);
    }
};

Library Read(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot open ") + path);
    Library lib;
    lib.bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (lib.bytes.size() < kHeaderInts * 4 || uint32_t(lib.Get(0)) != kMagic1)
        throw std::runtime_error(std::string(path) + " is not an MSFT type library");
    lib.count = lib.Get(8 * 4);
    int varflags = lib.Get(5 * 4);
    lib.segDir = kHeaderInts * 4 + ((varflags & kHelpDllFlag) ? 4 : 0) + lib.count * 4;
    if (lib.SegLength(kSegTypeInfo) != lib.count * kTypeInfoSize)
        throw std::runtime_error("unexpected entry table size");
    return lib;
}

void Sort(Library& lib, const std::vector<std::string>& order) {
    // newIndex[old entry] = its place in the result; named entries first, the rest keep their order.
    std::vector<int> newIndex(lib.count, -1);
    int next = 0;
    for (const auto& name : order) {
        int found = -1;
        for (int i = 0; i < lib.count; ++i)
            if (lib.Name(i) == name) found = i;
        if (found < 0) throw std::runtime_error("no entry named " + name);
        if (newIndex[found] >= 0) throw std::runtime_error("entry named twice: " + name);
        newIndex[found] = next++;
    }
    for (int i = 0; i < lib.count; ++i)
        if (newIndex[i] < 0) newIndex[i] = next++;

    // A reference to an entry of this library is the offset of its record (an even multiple of
    // the record size); imported references are odd, so they never match.
    std::map<int32_t, int32_t> moved;
    for (int i = 0; i < lib.count; ++i) moved[i * kTypeInfoSize] = newIndex[i] * kTypeInfoSize;
    auto remap = [&](size_t at) {
        auto it = moved.find(lib.Get(at));
        if (it != moved.end()) lib.Put(at, it->second);
    };

    // Guid entries of the entries themselves, and names that point back at their entry.
    for (int i = 0; i < lib.count; ++i) {
        int32_t guid = lib.Get(lib.Record(i) + kTiPosGuid);
        if (guid >= 0) remap(lib.SegOffset(kSegGuid) + guid + 16);
    }
    for (int32_t at = 0; at < lib.SegLength(kSegName);) {
        size_t entry = lib.SegOffset(kSegName) + at;
        int len = lib.Get(entry + 8) & 0xFF;
        remap(entry);
        at += 12 + ((len + 3) & ~3);
    }
    // Implemented-interface lists of classes.
    for (int32_t at = 0; at + 16 <= lib.SegLength(kSegReferences); at += 16)
        remap(lib.SegOffset(kSegReferences) + at);
    // Type descriptions naming an entry.
    for (int32_t at = 0; at + 8 <= lib.SegLength(kSegTypeDesc); at += 8) {
        size_t td = lib.SegOffset(kSegTypeDesc) + at;
        if ((lib.Get(td) & 0xFFFF) == kVtUserDefined) remap(td + 4);
    }
    // The base interface of an interface.
    for (int i = 0; i < lib.count; ++i) {
        int kind = lib.Get(lib.Record(i) + kTiTypeKind) & 0xF;
        if (kind == kTkindInterface || kind == kTkindDispatch) remap(lib.Record(i) + kTiDataType1);
    }

    // Finally move the records; each one carries its own index in the high word of its kind.
    std::vector<unsigned char> table(lib.bytes.begin() + lib.Record(0),
                                     lib.bytes.begin() + lib.Record(0) + lib.count * kTypeInfoSize);
    for (int i = 0; i < lib.count; ++i) {
        size_t dst = lib.Record(newIndex[i]);
        std::memcpy(&lib.bytes[dst], &table[size_t(i) * kTypeInfoSize], kTypeInfoSize);
        lib.Put(dst + kTiTypeKind, (lib.Get(dst + kTiTypeKind) & 0xFFFF) | (newIndex[i] << 16));
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::strcmp(argv[1], "--list") == 0) {
            Library lib = Read(argv[2]);
            for (int i = 0; i < lib.count; ++i) std::printf("%s\n", lib.Name(i).c_str());
            return 0;
        }
        if (argc < 4) {
            std::fprintf(stderr, "usage: tlbsort IN OUT NAME... | tlbsort --list IN\n");
            return 2;
        }
        Library lib = Read(argv[1]);
        std::vector<std::string> order(argv + 3, argv + argc);
        Sort(lib, order);
        for (size_t i = 0; i < order.size(); ++i)
            if (lib.Name(int(i)) != order[i]) throw std::runtime_error("order not reached");
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(lib.bytes.data()), std::streamsize(lib.bytes.size()));
        if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tlbsort: %s\n", e.what());
        return 1;
    }
}
