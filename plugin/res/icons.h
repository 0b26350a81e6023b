// Resource ids of the plug-in's embedded PNG pictures (resource type "PNG").
#pragma once

// The point icon, written to "\\Icon.png" in the plug-in's folder on first use.
#define IDR_PNG_ICON 8315
