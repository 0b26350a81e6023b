// Setting the current view.
#pragma once

#include "platform/arx/acdb/dbstatus.h"

class AcDbViewTableRecord;
class AcDbViewport;

// Makes the record the current viewport's view: target, direction, twist, lens, the clipping switches and
// distances, and the centre (given in the display system of the new view) and size. The requested width and
// height are fitted into the viewport's shape, so VIEWSIZE = max(height, width * SCREENSIZE Y / SCREENSIZE
// X). VIEWCTR, VIEWSIZE, TARGET, VIEWDIR, VIEWTWIST, VIEWMODE, LENSLENGTH, FRONTZ and BACKZ change
// accordingly and the editor reactors hear viewChanged. eInvalidInput (view unchanged) for a null record, a
// height or width that is not a positive finite number, or a zero direction; eNotApplicable for a paper-space
// viewport entity (the stand-in has the one model-space viewport).
Acad::ErrorStatus acedSetCurrentView(AcDbViewTableRecord* view, AcDbViewport* viewport);
