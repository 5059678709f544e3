#pragma once

// What the shared part of the host's file calls (PlatformFile.cpp) and the host's own
// part (PlatformFilePosix.cpp or PlatformFileWin32.cpp) ask of each other.

#include <string>

namespace tambrix::platform::detail {

/// Takes one write from the fault-injection allowance (IoHooks::failWritesAfter); false
/// when this write must fail.
bool TakeWriteAllowance();
/// Whether an entry of this name, or one differing from it only in case, exists: a name
/// FreeFileName must not hand out.
bool NameTaken(const std::string& name);

}  // namespace tambrix::platform::detail
