#pragma once

// The shared in-memory resource file, with the extras the set tests watch: a path of
// their choosing and forced failures.

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

    int16_t CountTypes() override { return counted(MemoryResourceFile::CountTypes(), typesError); }
    int16_t CountResources(ResType type) override {
        return counted(MemoryResourceFile::CountResources(type), countError);
    }
    int32_t Update() override {
        return updateError ? SetError(updateError), updateError : MemoryResourceFile::Update();
    }

    int32_t typesError = rc::kOk, countError = rc::kOk, updateError = rc::kOk;  ///< forced failures when not 0

private:
    /// A count, or 0 with the forced code.
    int16_t counted(int16_t count, int32_t code) { return code == rc::kOk ? count : (SetError(code), 0); }
};

}  // namespace tambrix::test
