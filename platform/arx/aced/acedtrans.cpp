#include "platform/arx/aced/acedtrans.h"

#include "platform/arx/aced/sysvar.h"

namespace {

// The matrix from a system to the world; false for a system we do not know.
bool ToWorld(const resbuf* system, const platform::SysVarStore& store, AcGeMatrix3d& matrix) {
    if (system == nullptr) {
        return false;
    }
    if (system->restype == RTSHORT) {
        switch (system->resval.rint) {
            case 0:
                matrix.setToIdentity();
                return true;
            case 1:
                matrix = store.UcsToWorld();
                return true;
            case 2:
                matrix = store.DisplayToWorld();
                return true;
            default:
                return false;
        }
    }
    if (system->restype == RT3DPOINT) {
        const AcGeVector3d normal(system->resval.rpoint[X], system->resval.rpoint[Y],
                                  system->resval.rpoint[Z]);
        if (normal.isZeroLength()) {
            return false;
        }
        matrix.setToPlaneToWorld(normal);
        return true;
    }
    return false;
}

}  // namespace

int acedTrans(const ads_point pt, const resbuf* from, const resbuf* to, int disp, ads_point result) {
    if (pt == nullptr || result == nullptr) {
        return RTERROR;
    }
    const platform::SysVarStore& store = platform::CurrentSysVars();
    AcGeMatrix3d fromWorld;
    AcGeMatrix3d toWorld;
    if (!ToWorld(from, store, fromWorld) || !ToWorld(to, store, toWorld)) {
        return RTERROR;
    }
    const AcGeMatrix3d m = toWorld.inverse() * fromWorld;
    if (disp != 0) {
        const AcGeVector3d v = m * AcGeVector3d(pt[X], pt[Y], pt[Z]);
        result[X] = v.x;
        result[Y] = v.y;
        result[Z] = v.z;
    } else {
        const AcGePoint3d p = m * AcGePoint3d(pt[X], pt[Y], pt[Z]);
        result[X] = p.x;
        result[Y] = p.y;
        result[Z] = p.z;
    }
    return RTNORM;
}
