// The exchange's process-wide values: the folder tree, the command flags, the send road's scratch and the
// colour being converted.
#pragma once

// Gives every one of them its value of a fresh load. The reactors and filters are the frame's to attach and
// free; their pointers stay.
void ResetExchangeState();
