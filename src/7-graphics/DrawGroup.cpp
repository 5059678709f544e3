#include "graphics/DrawGroup.h"

#include <algorithm>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"

namespace tambrix {

namespace {
// Version 20003 and later:              Before 20003:
//   u16  version                          u16  version
//   u32  image count                      u16  image count
//   per image:                            per image:
//     u32  first value                      u16  entry count
//     u32  second value                     u8   first value, u8 second value
//     u32  entry count                      per entry:
//     per entry:                              u16  entry type (only 0xFFFD is drawn)
//       u32  sprite ID                        i16  sprite ID
//       u32  frame index                      i16  frame index
//       i32  x offset                         u16  flags
//       i32  y offset                         i16  x offset
//       f32  z offset                         i16  y offset
//       u32  flags                            f32  z offset (20001 and later)
//       f32  f32  two more (20004+)
constexpr uint16_t kWideVersion = kDrawGroupWideVersion;
constexpr uint16_t kExtraFloatsVersion = kDrawGroupVersion;
constexpr uint16_t kOldZVersion = kDrawGroupOldZVersion;
constexpr uint16_t kDrawnEntryType = DrawGroupEntry::kSprite;

constexpr uint32_t kWideImageHeader = 12;
constexpr uint32_t kOldImageHeader = 4;

void readWide(ByteReader& r, DrawGroup& group) {
    const uint32_t entrySize = group.version >= kExtraFloatsVersion ? 32 : 24;
    uint32_t imageCount = r.U32();
    // Counts come from the file: never reserve more than the bytes left could hold.
    group.images.reserve(std::min(imageCount, r.Remaining() / kWideImageHeader));
    for (uint32_t i = 0; i < imageCount && !r.Failed(); ++i) {
        DrawGroupImage image;
        image.firstValue = r.U32();
        image.secondValue = r.U32();
        const uint32_t entryCount = r.U32();
        if (r.Failed() || entryCount > r.Remaining() / entrySize) break;
        image.entries.resize(entryCount);
        for (DrawGroupEntry& e : image.entries) {
            e.spriteId = r.I32();
            e.frameIndex = r.I32();
            e.xOffset = r.I32();
            e.yOffset = r.I32();
            e.zOffset = r.F32();
            e.flags = r.U32();
            if (group.version >= kExtraFloatsVersion) {
                e.extra[0] = r.F32();
                e.extra[1] = r.F32();
            }
        }
        group.images.push_back(std::move(image));
    }
    group.truncated = r.Failed() || group.images.size() < imageCount;
}

void readOld(ByteReader& r, DrawGroup& group) {
    const uint32_t entrySize = group.version >= kOldZVersion ? 16 : 12;
    const uint16_t imageCount = r.U16();
    group.images.reserve(std::min<uint32_t>(imageCount, r.Remaining() / kOldImageHeader));
    for (uint32_t i = 0; i < imageCount && !r.Failed(); ++i) {
        DrawGroupImage image;
        const uint16_t entryCount = r.U16();
        image.firstValue = r.U8();
        image.secondValue = r.U8();
        if (r.Failed() || entryCount > r.Remaining() / entrySize) break;
        for (uint32_t k = 0; k < entryCount; ++k) {
            const uint16_t type = r.U16();
            DrawGroupEntry e;
            e.spriteId = r.I16();
            e.frameIndex = r.I16();
            e.flags = r.U16();
            e.xOffset = r.I16();
            e.yOffset = r.I16();
            if (group.version >= kOldZVersion) e.zOffset = r.F32();
            if (type == kDrawnEntryType) image.entries.push_back(e);  // other kinds are read and dropped
        }
        group.images.push_back(std::move(image));
    }
    group.truncated = r.Failed() || group.images.size() < imageCount;
}

// The two image values the renderer keeps but does not use.
uint32_t directionValue(size_t image) { return 1u << (2 * (image % kViewRotations)); }
uint32_t zoomValue(size_t image) { return static_cast<uint32_t>(image / kViewRotations + 1); }
}  // namespace

DrawGroup ReadDrawGroup(const uint8_t* data, uint32_t size) {
    DrawGroup group;
    // A read past the chunk answers 0 and fails the reader, so a cut-off chunk is
    // noticed once per image.
    ByteReader r(data, size);
    group.version = r.U16();
    if (r.Failed()) {
        group.truncated = true;
        return group;
    }
    if (group.version >= kWideVersion)
        readWide(r, group);
    else
        readOld(r, group);
    return group;
}

std::vector<uint8_t> EncodeDrawGroup(const DrawGroupImages& images, uint16_t version) {
    ByteWriter w;
    w.U16(version);
    const bool wide = version >= kWideVersion;
    if (wide)
        w.U32(static_cast<uint32_t>(images.size()));
    else
        w.U16(static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        if (wide) {
            w.U32(directionValue(i)).U32(zoomValue(i)).U32(static_cast<uint32_t>(images[i].size()));
        } else {
            w.U16(static_cast<uint16_t>(images[i].size()));
            w.U8(static_cast<uint8_t>(directionValue(i))).U8(static_cast<uint8_t>(zoomValue(i)));
        }
        for (const DrawGroupEntry& e : images[i]) {
            if (wide) {
                w.I32(e.spriteId).I32(e.frameIndex).I32(e.xOffset).I32(e.yOffset).F32(e.zOffset).U32(e.flags);
                if (version >= kExtraFloatsVersion) w.F32(e.extra[0]).F32(e.extra[1]);
                continue;
            }
            w.U16(e.type).I16(static_cast<int16_t>(e.spriteId)).I16(static_cast<int16_t>(e.frameIndex));
            w.U16(static_cast<uint16_t>(e.flags))
                .I16(static_cast<int16_t>(e.xOffset))
                .I16(static_cast<int16_t>(e.yOffset));
            if (version >= kOldZVersion) w.F32(e.zOffset);
        }
    }
    return w.Take();
}

}  // namespace tambrix
