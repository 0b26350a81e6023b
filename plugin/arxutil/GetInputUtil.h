// Input on the host's command line: points (in world coordinates), keywords and numbers.
#pragma once

#include "platform/arx/acge/acge.h"
#include "platform/win32/core/wintypes.h"

class CGetInputUtil {
public:
    virtual ~CGetInputUtil() = default;

    // True when the user picked a point (RTNORM); the point is in world coordinates.
    static bool GetPoint(const TCHAR* prompt, AcGePoint3d& point);
    // As above with a rubber band from the base point (world coordinates).
    static bool GetPoint(const AcGePoint3d& basePoint, const TCHAR* prompt, AcGePoint3d& point);
    // The host's status (RTNORM, RTNONE, RTCAN, ...); on RTNORM the point in world coordinates.
    static int GetPointReturnCode(const TCHAR* prompt, AcGePoint3d& point);
    static int GetPointReturnCode(const AcGePoint3d& basePoint, const TCHAR* prompt, AcGePoint3d& point);

    // One of the blank-separated keywords: on a keyword, index is its position in the list; on Enter (only
    // allowed with a default keyword) index becomes defaultIndex. False when the user cancels.
    static bool GetKeyword(const TCHAR* prompt, const TCHAR* keywords, const TCHAR* defaultKeyword,
                           int defaultIndex, int& index);
    // A number, the default shown as "<...>:" with the given decimals; Enter keeps the default.
    static bool GetReal(const TCHAR* prompt, double defaultValue, int decimals, double& value);
};
