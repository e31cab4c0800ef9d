// SPDX-License-Identifier: MIT
// bramsoliket_windows_host DLL: loads BRAMSOLIKET.dll as a Windows host does (LoadLibrary,
// GetProcAddress("main")) and checks what such a host relies on: the entry's handshake, the
// record byte by byte, the module description in the version resource, and every text and
// program request of the dispatcher. Exit status 0 when every check passed.
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/windows/checks.h"
#include "tests/windows/module_library.h"

namespace {

struct HostCall {
    AEffect* record;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    void* ptr;
    float opt;
};

std::vector<HostCall> hostCalls;
std::intptr_t versionAnswer = 0;

std::intptr_t BRAMSOLIKET_CALL recordingHost(AEffect* record, std::int32_t opcode, std::int32_t index,
                                             std::intptr_t value, void* ptr, float opt) {
    hostCalls.push_back({record, opcode, index, value, ptr, opt});
    return opcode == 1 ? versionAnswer : 0;
}

constexpr bool kNarrow = sizeof(void*) == 4;
constexpr std::size_t kRecordSize = kNarrow ? 144 : 192;

// The layout hosts read, written out independently of the record's declaration.
struct FieldValue {
    std::size_t offset;
    std::uint32_t value;
};
constexpr std::size_t kDispatch = kNarrow ? 4 : 8, kProcess = kNarrow ? 8 : 16, kSetParameter = kNarrow ? 12 : 24,
                      kGetParameter = kNarrow ? 16 : 32, kObject = kNarrow ? 64 : 96,
                      kProcessReplacing = kNarrow ? 80 : 120;
constexpr std::array<std::size_t, 5> kEntryOffsets = {kDispatch, kProcess, kSetParameter, kGetParameter,
                                                      kProcessReplacing};
constexpr std::array<FieldValue, 8> kNonZeroFields = {{
    {0, 0x56737450u},                    // magic "VstP"
    {kNarrow ? 20u : 40u, 2},            // programCount
    {kNarrow ? 24u : 44u, 7},            // parameterCount
    {kNarrow ? 28u : 48u, 1},            // inputCount
    {kNarrow ? 32u : 52u, 2},            // outputCount
    {kNarrow ? 36u : 56u, 28},           // flags: meter, mono, replacing
    {kNarrow ? 60u : 92u, 0x3F800000u},  // ioRatio 1.0
    {kNarrow ? 72u : 112u, 0x4272536Bu}, // uniqueId "BrSk"
}};
constexpr FieldValue kVersion = {kNarrow ? 76u : 116u, 1};

std::uintptr_t readAddress(const unsigned char* bytes, std::size_t offset) {
    std::uintptr_t address = 0;
    std::memcpy(&address, bytes + offset, sizeof address);
    return address;
}

void checkHandshake(ModuleEntry entry) {
    hostCalls.clear();
    versionAnswer = 0;
    CHECK(entry(&recordingHost) == nullptr);
    CHECK_EQUAL(hostCalls.size(), std::size_t{1});
    if (hostCalls.size() == 1) {
        const HostCall& call = hostCalls[0];
        CHECK(call.record == nullptr);
        CHECK_EQUAL(call.opcode, 1);
        CHECK_EQUAL(call.index, 0);
        CHECK(call.value == 0);
        CHECK(call.ptr == nullptr);
        CHECK(call.opt == 0.0f);
    }
    CHECK(entry(nullptr) == nullptr);
}

void checkRecordBytes(const ModuleLibrary& library, AEffect* record) {
    unsigned char bytes[kRecordSize];
    std::memcpy(bytes, record, kRecordSize);

    // Every byte that is not an address must be exactly as the layout says.
    std::array<unsigned char, kRecordSize> expected{};
    std::array<bool, kRecordSize> isAddress{};
    auto put = [&](const FieldValue& field) {
        for (int i = 0; i < 4; ++i) expected[field.offset + i] = static_cast<unsigned char>(field.value >> (8 * i));
    };
    for (const FieldValue& field : kNonZeroFields) put(field);
    put(kVersion);
    for (std::size_t offset : kEntryOffsets)
        for (std::size_t i = 0; i < sizeof(void*); ++i) isAddress[offset + i] = true;
    for (std::size_t i = 0; i < sizeof(void*); ++i) isAddress[kObject + i] = true;
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        if (isAddress[i]) continue;
        windows_checks::check(bytes[i] == expected[i], __FILE__, __LINE__,
                              "record byte " + std::to_string(i) + " is " + std::to_string(bytes[i]) +
                                  ", expected " + std::to_string(expected[i]));
    }

    // The five entries are distinct functions inside the module's image.
    const auto base = reinterpret_cast<std::uintptr_t>(library.native());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const std::uintptr_t end = base + nt->OptionalHeader.SizeOfImage;
    for (std::size_t a = 0; a < kEntryOffsets.size(); ++a) {
        const std::uintptr_t address = readAddress(bytes, kEntryOffsets[a]);
        windows_checks::check(address >= base && address < end, __FILE__, __LINE__,
                              "entry at offset " + std::to_string(kEntryOffsets[a]) + " lies outside the DLL");
        for (std::size_t b = a + 1; b < kEntryOffsets.size(); ++b)
            CHECK(address != readAddress(bytes, kEntryOffsets[b]));
    }
    // `object` points to the effect that contains the record.
    const std::uintptr_t object = readAddress(bytes, kObject);
    const auto recordAddress = reinterpret_cast<std::uintptr_t>(record);
    CHECK(object != 0 && recordAddress >= object && recordAddress - object < 4096);
}

std::string versionString(const std::vector<char>& info, const char* language, const char* key) {
    const std::string path = std::string("\\StringFileInfo\\") + language + "\\" + key;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path.c_str(), &value, &length) || value == nullptr) return "<missing>";
    return std::string(static_cast<const char*>(value));
}

void checkVersionResource(const ModuleLibrary& library) {
    char path[MAX_PATH] = {};
    CHECK(GetModuleFileNameA(library.native(), path, MAX_PATH) > 0);
    const std::string file(path);
    CHECK(file.size() >= 15 && _stricmp(file.c_str() + file.size() - 15, "BRAMSOLIKET.dll") == 0);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    CHECK(size > 0);
    if (size == 0) return;
    std::vector<char> info(size);
    CHECK(GetFileVersionInfoA(path, 0, size, info.data()));

    // The first translation names the string table the description is read from.
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* value = nullptr;
    UINT length = 0;
    CHECK(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length) && length >= sizeof(Translation));
    if (value == nullptr || length < sizeof(Translation)) return;
    Translation translation;
    std::memcpy(&translation, value, sizeof translation);
    char language[16];
    std::snprintf(language, sizeof language, "%04x%04x", translation.language, translation.codePage);

    CHECK_TEXT(versionString(info, language, "FileDescription"), "Filter Plugin for VstPC");
    CHECK_TEXT(versionString(info, language, "InternalName"), "BRAMSOLIKET");
    CHECK_TEXT(versionString(info, language, "OriginalFilename"), "BRAMSOLIKET.dll");

    CHECK(VerQueryValueA(info.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO));
    if (value == nullptr || length < sizeof(VS_FIXEDFILEINFO)) return;
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    CHECK(fixed.dwSignature == 0xFEEF04BDu);
    CHECK(fixed.dwFileType == VFT_DLL);
}

// Drives one effect through its record as a host does; text requests go into buffers
// that are larger than allowed and pre-filled, to catch writes past the allowed size.
class Host {
public:
    explicit Host(AEffect* record) : record(record) {}
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0, void* ptr = nullptr,
                           float opt = 0.0f) {
        return record->dispatchEntry(record, opcode, index, value, ptr, opt);
    }
    std::string text(std::int32_t opcode, std::int32_t index, std::size_t allowed = 9) {
        std::array<char, 64> buffer;
        buffer.fill('\x7e');
        dispatch(opcode, index, 0, buffer.data());
        for (std::size_t i = allowed; i < buffer.size(); ++i)
            if (buffer[i] != '\x7e') return "<written past " + std::to_string(allowed) + " bytes>";
        if (std::memchr(buffer.data(), 0, allowed) == nullptr) return "<untouched or unterminated>";
        return std::string(buffer.data());
    }
    // Whether a text request left the buffer as it was.
    bool leavesUntouched(std::int32_t opcode, std::int32_t index) {
        std::array<char, 16> buffer;
        buffer.fill('\x7e');
        dispatch(opcode, index, 0, buffer.data());
        for (char c : buffer)
            if (c != '\x7e') return false;
        return true;
    }
    std::string display(std::int32_t index) { return text(7, index); }
    std::string programName() { return text(5, 0, 24); }
    void set(std::int32_t index, float value) { record->setParameterEntry(record, index, value); }
    float get(std::int32_t index) { return record->getParameterEntry(record, index); }

    AEffect* record;
};

void checkParameterTexts(Host& host) {
    const char* names[] = {"Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level"};
    const char* labels[] = {"Hz", "amount", "amount", "type", "dB/Oct", "mix", "dB"};
    const char* displays[] = {"5101.878", "0.000000", "0.100000", "LowPass", "     12", "1.000000", "0.000000"};
    const float values[] = {0.5f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.5f};
    for (int i = 0; i < 7; ++i) {
        CHECK_TEXT(host.text(8, i), names[i]);
        CHECK_TEXT(host.text(6, i), labels[i]);
        CHECK_TEXT(host.display(i), displays[i]);
        CHECK(host.get(i) == values[i]);
    }
    for (int index : {7, -1, 1000}) {
        CHECK(host.leavesUntouched(6, index));
        CHECK(host.leavesUntouched(7, index));
        CHECK(host.leavesUntouched(8, index));
        CHECK(host.get(index) == 0.0f);
    }

    // Texts after changes through the set-parameter entry.
    struct Shown {
        std::int32_t index;
        float value;
        const char* text;
    };
    const Shown shown[] = {
        {0, 0.0f, "334.3359"}, {0, 0.25f, "2077.232"}, {0, 1.0f, "18563.55"}, {6, 1.0f, "6.020599"},
        {6, 0.25f, "-6.02059"}, {6, 0.05f, "-20.0000"}, {6, 0.0f, "   -\xB0   "}, {3, 0.2f, "HighPass"},
        {3, 0.125f, "HighPass"}, {3, 0.5f, "BandPass"}, {3, 0.7f, "Resonant"}, {3, 0.9f, "Thru"},
        {4, 1.0f, "     48"}, {4, 0.5f, "     36"}, {1, 0.5f, "0.500000"}, {5, 0.7f, "0.699999"},
    };
    for (const Shown& s : shown) {
        host.set(s.index, s.value);
        CHECK(host.get(s.index) == s.value);
        CHECK_TEXT(host.display(s.index), s.text);
    }
    // The frequency text follows the sample rate the host announces (opcode 10 reads opt).
    host.set(0, 0.5f);
    CHECK_EQUAL(host.dispatch(10, 0, 0, nullptr, 48000.0f), std::intptr_t{0});
    CHECK_TEXT(host.display(0), "5553.064");
    host.set(0, 1.0f);
    CHECK_TEXT(host.display(0), "20205.22");
    host.dispatch(10, 0, 0, nullptr, 44100.0f);
}

void checkPrograms(Host& host) {
    CHECK_EQUAL(host.dispatch(3), std::intptr_t{0});
    CHECK_TEXT(host.programName(), "Init");

    // Renaming changes only the current program.
    char name[] = "Sweep";
    CHECK_EQUAL(host.dispatch(4, 0, 0, name), std::intptr_t{0});
    CHECK_TEXT(host.programName(), "Sweep");
    host.set(0, 0.25f);
    CHECK_EQUAL(host.dispatch(2, 0, 1), std::intptr_t{0});
    CHECK_EQUAL(host.dispatch(3), std::intptr_t{1});
    CHECK_TEXT(host.programName(), "Init");
    CHECK(host.get(0) == 0.5f);
    CHECK_TEXT(host.display(0), "5101.878");

    // Program numbers outside 0..1 are ignored.
    for (std::intptr_t program : {std::intptr_t{2}, std::intptr_t{-1}, std::intptr_t{1000}}) {
        CHECK_EQUAL(host.dispatch(2, 0, program), std::intptr_t{0});
        CHECK_EQUAL(host.dispatch(3), std::intptr_t{1});
    }

    host.dispatch(2, 0, 0);
    CHECK_EQUAL(host.dispatch(3), std::intptr_t{0});
    CHECK_TEXT(host.programName(), "Sweep");
    CHECK(host.get(0) == 0.25f);
    CHECK_TEXT(host.display(0), "2077.232");

    // A name longer than the 23 characters a program holds stays within its 24 bytes.
    char longName[] = "A program name far longer than twenty-three characters";
    host.dispatch(4, 0, 0, longName);
    const std::string kept = host.programName();
    CHECK(kept.size() <= 23 && std::string(longName).compare(0, kept.size(), kept) == 0);
}

void checkOtherOpcodes(Host& host) {
    CHECK_EQUAL(host.dispatch(22), std::intptr_t{1316373862});
    CHECK_EQUAL(host.dispatch(9), std::intptr_t{0});
    CHECK_EQUAL(host.dispatch(11, 0, 512), std::intptr_t{0});
    CHECK_EQUAL(host.dispatch(12, 0, 0), std::intptr_t{0});
    CHECK_EQUAL(host.dispatch(12, 0, 1), std::intptr_t{0});
    CHECK_EQUAL(host.dispatch(0), std::intptr_t{0});
    for (std::int32_t opcode : {13, 14, 15, 16, 17, 18, 19, 20, 21, 23, 100, -1})
        CHECK_EQUAL(host.dispatch(opcode), std::intptr_t{0});
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // every finding is out before a possible crash
    if (argc != 2) {
        std::printf("usage: %s BRAMSOLIKET.dll\n", argv[0]);
        return 2;
    }
    ModuleLibrary library(argv[1]);
    if (!library.loaded()) {
        std::printf("FAILED: LoadLibrary(%s), error %lu\n", argv[1], GetLastError());
        return 1;
    }
    const ModuleEntry entry = library.entry();
    if (entry == nullptr) {
        std::printf("FAILED: GetProcAddress(\"main\")\n");
        return 1;
    }

    checkHandshake(entry);

    hostCalls.clear();
    versionAnswer = 2400;
    AEffect* record = entry(&recordingHost);
    CHECK(record != nullptr);
    if (record == nullptr) return 1;
    CHECK_EQUAL(hostCalls.size(), std::size_t{1});
    checkRecordBytes(library, record);
    checkVersionResource(library);

    Host host(record);
    checkParameterTexts(host);
    checkPrograms(host);
    checkOtherOpcodes(host);
    CHECK_EQUAL(host.dispatch(1), std::intptr_t{1});

    // Two effects at once are independent records.
    AEffect* first = entry(&recordingHost);
    AEffect* second = entry(&recordingHost);
    CHECK(first != nullptr && second != nullptr && first != second);
    if (first != nullptr) first->dispatchEntry(first, 1, 0, 0, nullptr, 0.0f);
    if (second != nullptr) second->dispatchEntry(second, 1, 0, 0, nullptr, 0.0f);

    const int failures = windows_checks::failureCount();
    std::printf("%s: %s (%d-bit)\n", argv[0], failures == 0 ? "all checks passed" : "checks FAILED",
                static_cast<int>(sizeof(void*) * 8));
    return failures == 0 ? 0 : 1;
}
