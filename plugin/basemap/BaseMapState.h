// The base map's process-wide values: the map-file serial and the associated point.
#pragma once

// Gives them their value of a fresh load. The associated-point dialog is the frame's to close; its pointer
// stays, and the drawings' base maps go with their sync states (the core's reset).
void ResetBaseMapState();
