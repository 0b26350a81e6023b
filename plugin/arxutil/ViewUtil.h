// The current view of the active drawing: reading it from the host's system variables, zooming, the centre of
// model space and refreshing the display.
#pragma once

#include "platform/arx/arxheaders.h"
#include "plugin/arxutil/ViewRectInfo.h"

class CViewUtil {
public:
    virtual ~CViewUtil() = default;

    // The view rectangle about VIEWCTR, its width and height multiplied by scale, and the screen size.
    // False, info untouched, when the host gives no usable view (a variable refused, a viewport or view of
    // no size, or a result that does not fit the record).
    static bool GetCurViewRect(ViewRectInfo& info, double scale = 1.0);
    // Zooms to the window between two WCS corners (any order), its size multiplied by factor. An empty
    // window (both sizes zero) or a factor that is not positive leaves the view as it is.
    static void ZoomWindow(const AcGePoint3d& pt1, const AcGePoint3d& pt2, double factor = 1.0);
    static void UpdateDisplay();
    // The middle of the model-space extents; the origin for an empty drawing or none.
    static AcGePoint3d GetModelSpaceCenter();
    // The current view as a view record; false (view untouched) when the host gives no usable view.
    static bool GetCurrentView(AcDbViewTableRecord& view);
    // The drawing length of a number of pixels at the current zoom; 0 without a usable view.
    static double GetDwgLengthOfPixels(double pixels);
    // Moves the view's centre to the WCS point, keeping its size.
    static void ZoomCenter(const AcGePoint3d& center);
    // Fits the view to the model-space extents (nothing for an empty drawing).
    static void ZoomExtents();
    // Sets the "*ACTIVE" viewport record of the database to its model-space extents enlarged by 1.2: the
    // status of closing the viewport table, or of what failed before; eInvalidExtents for an empty model
    // space, eNoDatabase for a null database.
    static Acad::ErrorStatus ZoomActiveVportExtents(AcDbDatabase* pDb);
};
