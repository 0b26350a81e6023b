// The geometry library: points, vectors, matrices, planes, tolerances and the SDK's array.
#pragma once

#include "platform/arx/acge/acarray.h"
#include "platform/arx/acge/gegbl.h"
#include "platform/arx/acge/gevec2d.h"
#include "platform/arx/acge/gepnt2d.h"
#include "platform/arx/acge/gevec3d.h"
#include "platform/arx/acge/gepnt3d.h"
#include "platform/arx/acge/gemat3d.h"
#include "platform/arx/acge/gescl3d.h"
#include "platform/arx/acge/geplane.h"
#include "platform/arx/acge/gearrays.h"
#include "platform/arx/acge/gemat2d.h"
#include "platform/arx/acge/gecurv2d.h"
#include "platform/arx/acge/gelnsg2d.h"
#include "platform/arx/acge/gearc2d.h"
#include "platform/arx/acge/geell2d.h"
#include "platform/arx/acge/genurb2d.h"
