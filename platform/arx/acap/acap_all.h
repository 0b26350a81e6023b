// Documents, locks and their reactors, the command runner, the status bar and application entry.
#pragma once

#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/acap/commands.h"
#include "platform/arx/acap/datamanager.h"
#include "platform/arx/acap/rxapp.h"
#include "platform/arx/acap/statusbar.h"
