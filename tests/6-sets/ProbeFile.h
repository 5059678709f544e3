#pragma once

// The shared in-memory resource file, with the extras the set tests watch: a path of
// their choosing, call counters and forced results.

#include <string>

#include "support/MemoryResourceFile.h"

namespace tambrix::test {

class ProbeFile : public MemoryResourceFile {
public:
    explicit ProbeFile(const std::string& path = "probe.iff", bool writable = true) {
        MemoryResourceFile::Close();
        MemoryResourceFile::Open(FileNameText(path));
        readOnly = !writable;
    }

    /// A stored resource whose body is the single byte `marker`.
    void PutMarked(ResType type, ResId id, uint8_t marker, const std::string& label = "") {
        Put(type, id, {marker}, label);
    }

    int32_t Suspend() override { return forced(MemoryResourceFile::Suspend(), suspendResult); }
    int32_t Close() override { return ++closeCalls, forced(MemoryResourceFile::Close(), closeResult); }
    int32_t Update() override { return ++updateCalls, forced(MemoryResourceFile::Update(), updateResult); }
    int16_t CountTypes() override { return counted(MemoryResourceFile::CountTypes(), typesError); }
    int16_t CountResources(ResType type) override {
        return counted(MemoryResourceFile::CountResources(type), countError);
    }

    int32_t suspendResult = rc::kOk, closeResult = rc::kOk, updateResult = rc::kOk;  ///< forced when not 0
    int32_t typesError = rc::kOk, countError = rc::kOk;
    int closeCalls = 0, updateCalls = 0;

private:
    /// A non-zero forced code replaces the real result.
    int32_t forced(int32_t result, int32_t code) { return code == rc::kOk ? result : (SetError(code), code); }
    /// A count, or 0 with the forced code.
    int16_t counted(int16_t count, int32_t code) { return forced(rc::kOk, code) == rc::kOk ? count : 0; }
};

}  // namespace tambrix::test
