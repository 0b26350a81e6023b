// Placeholder bodies of the operations that the frame calls in Parts not built yet. Each does nothing and
// reports failure where it returns a status; its owner replaces it.
#include "plugin/exchange/EntityBuilders.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/exchange/ReceiveRoad.h"
#include "plugin/exchange/SendRoad.h"

// ---- Send and receive roads, builders ----
bool ReceiveMapObjects(const BYTE*, DWORD) {
    return false;
}
AcDbObjectId CreateSignEntities(MapMarkObj*, const ACHAR*, bool) {
    return AcDbObjectId();
}
