#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sets/ObjectResourceSet.h"

namespace tambrix {

/// Owned by the cache collections of a ViewResourceSet.
class CachedObject {
public:
    virtual ~CachedObject() = default;
};

/// The set through which the object view opens an object file (".iff" and ".spf" as
/// version 2 containers, ".dir" folder lists). It owns three cache collections and
/// destroys everything in them with itself.
class ViewResourceSet : public ObjectResourceSet {
public:
    struct KeyedObject {
        uint32_t key = 0;
        std::unique_ptr<CachedObject> object;
    };
    using KeyedCache = std::vector<KeyedObject>;
    using ObjectCache = std::vector<std::unique_ptr<CachedObject>>;

    ViewResourceSet();
    ~ViewResourceSet() override;

    KeyedCache& KeyedObjects() { return mKeyedObjects; }
    ObjectCache& FirstRecords() { return mFirstRecords; }
    ObjectCache& SecondRecords() { return mSecondRecords; }

private:
    KeyedCache mKeyedObjects;
    ObjectCache mFirstRecords;
    ObjectCache mSecondRecords;
};

}  // namespace tambrix
