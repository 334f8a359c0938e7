// The page's files, compiled into the tool (the build embeds panel/*), so
// that the panel needs nothing beside the program.
#pragma once

#include <stddef.h>

namespace VeltraTune {

struct PanelAsset {
    const char* szPath;  // "/index.html"
    const char* szContentType;
    const unsigned char* pData;
    size_t nSize;
};

extern const PanelAsset kPanelAssets[];
extern const size_t kPanelAssetCount;

}  // namespace VeltraTune
