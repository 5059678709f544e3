// The install search's host registry where there is none (InstallSearch.h).
#include "platform/InstallSearch.h"

namespace tambrix::platform {

std::optional<std::string> ReadHostRegistryText(RegistryHive, std::string_view, std::string_view) {
    return std::nullopt;
}

}  // namespace tambrix::platform
