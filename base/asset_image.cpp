#include "base/asset_image.h"

uint8_t AssetImage[kAssetImageSize];
