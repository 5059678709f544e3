#include "sets/ViewResourceSet.h"

namespace tambrix {

ViewResourceSet::ViewResourceSet() {
    ClearRegistry();
    Register(kKindIff, std::string(kObjectExtension));
    Register(kKindIff, std::string(kSpriteExtension));
    Register(kKindDirectory, std::string(kFolderListExtension));
}

ViewResourceSet::~ViewResourceSet() {
    // The caches go first; the members follow in the base destructors.
    mKeyedObjects.clear();
    mFirstRecords.clear();
    mSecondRecords.clear();
}

}  // namespace tambrix
