// The plug-in's own PNG resources: found in its module, and written to a file (the point icon's file is made
// on first use).
#pragma once

#include "platform/mfc/afxwin.h"
#include "platform/mfc/cstring.h"

// The bytes of a PNG resource of the plug-in's module; false when there is none.
bool FindPngResource(UINT resourceId, const BYTE*& data, DWORD& size);
bool WritePngResourceFile(UINT resourceId, const CString& path);
