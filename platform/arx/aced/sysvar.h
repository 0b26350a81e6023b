// System variables. Each document has its own store (the document manager makes one current); variables
// kept by the session rather than the drawing (ZOOMFACTOR, DBLCLKEDIT, RTDISPLAY) are shared by all stores.
// The view and the user coordinate system are kept in world coordinates; the variables that report them in
// the current UCS (VIEWCTR, TARGET, VIEWDIR) are derived on reading.
#pragma once

#include <map>
#include <string>

#include "platform/arx/acge/acge.h"
#include "platform/arx/acut/acut_all.h"

// RTNORM and the value (a string is copied and then owned by the caller: acutDelString or free); RTERROR
// for an unknown name or null arguments, result untouched.
int acedGetVar(const ACHAR* name, struct resbuf* result);
// RTNORM; RTERROR for an unknown or read-only name, a value of the wrong type or out of range.
int acedSetVar(const ACHAR* name, const struct resbuf* value);

namespace platform {

// One variable's value: its restype and the field that type uses.
struct SysVarValue {
    short type = RTNONE;
    double real = 0.0;
    double point[3] = {0.0, 0.0, 0.0};
    short shortValue = 0;
    Adesk::Int32 longValue = 0;
    std::u16string text;

    static SysVarValue Real(double v);
    static SysVarValue Short(short v);
    static SysVarValue Point2d(double x, double y);
    static SysVarValue Point3d(const AcGePoint3d& p);
    static SysVarValue String(const std::u16string& s);
};

// The current viewport's view, in world coordinates.
struct ViewState {
    AcGePoint3d center;                             // the view centre (VIEWCTR, shown in the UCS)
    double height = 100.0;                          // VIEWSIZE
    AcGePoint3d target;                             // TARGET
    AcGeVector3d direction = AcGeVector3d::kZAxis;  // VIEWDIR: from the target towards the viewer
    double twist = 0.0;           // VIEWTWIST: the drawing turns counter-clockwise on screen
    double lensLength = 50.0;     // LENSLENGTH
    double frontZ = 0.0;          // FRONTZ
    double backZ = 0.0;           // BACKZ
    short viewMode = 0;           // VIEWMODE bits
    double screenWidth = 1600.0;  // SCREENSIZE, pixels
    double screenHeight = 900.0;
};

// The user coordinate system in world coordinates; the axes are kept orthonormal.
struct UcsState {
    AcGePoint3d origin;
    AcGeVector3d xAxis = AcGeVector3d::kXAxis;
    AcGeVector3d yAxis = AcGeVector3d::kYAxis;
    AcGeVector3d zAxis() const { return xAxis.crossProduct(yAxis); }
};

class SysVarStore {
public:
    SysVarStore();
    ~SysVarStore();
    SysVarStore(const SysVarStore&) = delete;
    SysVarStore& operator=(const SysVarStore&) = delete;

    // As acedGetVar / acedSetVar on this store.
    int Get(const std::u16string& name, resbuf& result) const;
    int Set(const std::u16string& name, const resbuf& value);
    // For the host and tests: sets read-only variables too (VIEWCTR given in the UCS, SCREENSIZE, ...),
    // same type rules. False for an unknown name or a wrong type.
    bool Force(const std::u16string& name, const SysVarValue& value);
    bool Lookup(const std::u16string& name, SysVarValue& value) const;
    // The variables, view and UCS of a new drawing (session variables are not touched).
    void ResetToDefaults();

    ViewState& View() { return m_view; }
    const ViewState& View() const { return m_view; }
    const UcsState& Ucs() const { return m_ucs; }
    // False (UCS unchanged) when the axes are zero or parallel; Y is made perpendicular to X.
    bool SetUcs(const AcGePoint3d& origin, const AcGeVector3d& xAxis, const AcGeVector3d& yAxis);
    void SetWorldUcs();

    // Transforms between the world, the UCS and the display system of the view.
    AcGeMatrix3d UcsToWorld() const;
    AcGeMatrix3d WorldToUcs() const;
    AcGeMatrix3d DisplayToWorld() const;
    AcGeMatrix3d WorldToDisplay() const;

private:
    bool Write(const std::u16string& key, const SysVarValue& value, bool force);

    std::map<std::u16string, SysVarValue> m_vars;  // document variables, upper-case names
    ViewState m_view;
    UcsState m_ucs;
};

// The store of the current document, or the process's default store when no document is current.
SysVarStore& CurrentSysVars();
// The document manager switches stores; null returns to the default store.
void SetCurrentSysVarStore(SysVarStore* store);

}  // namespace platform
