#include "plugin/core/PngResource.h"

#include <vector>

#include "platform/win32/windows.h"
#include "plugin/core/PngCodec.h"

bool FindPngResource(UINT resourceId, const BYTE*& data, DWORD& size) {
    const HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), _T("PNG"));
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    size = SizeofResource(module, found);
    data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    return data != nullptr && size > 0;
}

bool WritePngResourceFile(UINT resourceId, const CString& path) {
    const BYTE* data = nullptr;
    DWORD size = 0;
    if (path.IsEmpty() || !FindPngResource(resourceId, data, size)) {
        return false;
    }
    // Decoded and written anew: a damaged resource gives no file rather than a file no one can load.
    CPngImage image;
    std::vector<BYTE> png;
    return DecodePng(data, size, image) == PNG_STATUS_OK && EncodePng(image, png) == PNG_STATUS_OK &&
           WritePngFile(path, png) == PNG_STATUS_OK;
}
