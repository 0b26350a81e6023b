// The map-application link as one include.
#pragma once

#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/mapapp.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/mapreq.h"
