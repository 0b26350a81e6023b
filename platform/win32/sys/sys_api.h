// Registry, profile files, files and folders, code pages, events, shell, module path, special folders,
// disk space, tick count and local time.
#pragma once

#include "platform/win32/core/wintypes.h"
