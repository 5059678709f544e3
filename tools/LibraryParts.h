#pragma once

// The library grows one subsystem at a time; the tools light up each command as the
// parts it needs are present in the build.

#if __has_include("iff/IffResourceFile.h") && __has_include("iff/LegacyIffResourceFile.h")
#define TAMBRIX_TOOLS_HAVE_IFF 1
#else
#define TAMBRIX_TOOLS_HAVE_IFF 0
#endif

#if __has_include("catalog/StringTable.h") && __has_include("catalog/ObjectSet.h")
#define TAMBRIX_TOOLS_HAVE_CATALOG 1
#else
#define TAMBRIX_TOOLS_HAVE_CATALOG 0
#endif

#if __has_include("graphics/Sprite.h") && __has_include("platform/Bitmap.h")
#define TAMBRIX_TOOLS_HAVE_SPRITES 1
#else
#define TAMBRIX_TOOLS_HAVE_SPRITES 0
#endif

#if __has_include("graphics/PreviewRenderer.h")
#define TAMBRIX_TOOLS_HAVE_RENDER 1
#else
#define TAMBRIX_TOOLS_HAVE_RENDER 0
#endif

#if __has_include("graphics/BitmapExport.h")
#define TAMBRIX_TOOLS_HAVE_EXPORT 1
#else
#define TAMBRIX_TOOLS_HAVE_EXPORT 0
#endif

#if __has_include("resfile/ResourceSet.h")
#define TAMBRIX_TOOLS_HAVE_RESOURCE_SETS 1
#else
#define TAMBRIX_TOOLS_HAVE_RESOURCE_SETS 0
#endif
