// The editor: system variables, coordinate transforms, colours, alerts, the command line and display, views,
// input, selection sets, reactors and registered commands.
#pragma once

#include "platform/arx/aced/acedalert.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acedcolor.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedframe.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/arx/aced/acedss.h"
#include "platform/arx/aced/acedssfilter.h"
#include "platform/arx/aced/acedtrans.h"
#include "platform/arx/aced/acedview.h"
#include "platform/arx/aced/sysvar.h"
