// System variables: one table of definitions read by every access.
#include "platform/arx/aced/sysvar.h"

#include <cmath>
#include <limits>

#include "platform/win32/core/testhooks.h"

namespace platform {

SysVarValue SysVarValue::Real(double v) {
    SysVarValue value;
    value.type = RTREAL;
    value.real = v;
    return value;
}

SysVarValue SysVarValue::Short(short v) {
    SysVarValue value;
    value.type = RTSHORT;
    value.shortValue = v;
    return value;
}

SysVarValue SysVarValue::Point2d(double x, double y) {
    SysVarValue value;
    value.type = RTPOINT;
    value.point[X] = x;
    value.point[Y] = y;
    return value;
}

SysVarValue SysVarValue::Point3d(const AcGePoint3d& p) {
    SysVarValue value;
    value.type = RT3DPOINT;
    value.point[X] = p.x;
    value.point[Y] = p.y;
    value.point[Z] = p.z;
    return value;
}

SysVarValue SysVarValue::String(const std::u16string& s) {
    SysVarValue value;
    value.type = RTSTR;
    value.text = s;
    return value;
}

namespace {

AcGePoint3d AsPoint(const SysVarValue& v) {
    return AcGePoint3d(v.point[X], v.point[Y], v.point[Z]);
}
AcGeVector3d AsVector(const SysVarValue& v) {
    return AcGeVector3d(v.point[X], v.point[Y], v.point[Z]);
}

enum class Where {
    kDocument,  // kept in the document's store
    kSession,   // shared by every document
    kView,      // derived from the view or the UCS
};

struct Def {
    const char16_t* name;
    short type;
    Where where;
    bool readOnly;
    int min;  // range of short variables
    int max;
    SysVarValue (*initial)();
    SysVarValue (*get)(const SysVarStore&);
    bool (*put)(SysVarStore&, const SysVarValue&);  // value already of the variable's type
};

using S = SysVarStore;
using V = SysVarValue;

// Read-only view variables report the world-coordinate view in the current UCS.
const Def kDefs[] = {
    {u"VIEWCTR", RT3DPOINT, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Point3d(s.WorldToUcs() * s.View().center); },
     [](S& s, const V& v) {
         s.View().center = s.UcsToWorld() * AsPoint(v);
         return true;
     }},
    {u"VIEWSIZE", RTREAL, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Real(s.View().height); },
     [](S& s, const V& v) {
         s.View().height = v.real;
         return true;
     }},
    {u"SCREENSIZE", RTPOINT, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Point2d(s.View().screenWidth, s.View().screenHeight); },
     [](S& s, const V& v) {
         s.View().screenWidth = v.point[X];
         s.View().screenHeight = v.point[Y];
         return true;
     }},
    {u"VIEWMODE", RTSHORT, Where::kView, true, 0, 127, nullptr,
     [](const S& s) { return V::Short(s.View().viewMode); },
     [](S& s, const V& v) {
         s.View().viewMode = v.shortValue;
         return true;
     }},
    {u"LENSLENGTH", RTREAL, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Real(s.View().lensLength); },
     [](S& s, const V& v) {
         s.View().lensLength = v.real;
         return true;
     }},
    {u"TARGET", RT3DPOINT, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Point3d(s.WorldToUcs() * s.View().target); },
     [](S& s, const V& v) {
         s.View().target = s.UcsToWorld() * AsPoint(v);
         return true;
     }},
    {u"VIEWDIR", RT3DPOINT, Where::kView, true, 0, 0, nullptr,
     [](const S& s) {
         const AcGeVector3d d = s.WorldToUcs() * s.View().direction;
         return V::Point3d(AcGePoint3d(d.x, d.y, d.z));
     },
     [](S& s, const V& v) {
         const AcGeVector3d d = s.UcsToWorld() * AsVector(v);
         if (d.isZeroLength()) {
             return false;  // a view needs a direction
         }
         s.View().direction = d;
         return true;
     }},
    {u"VIEWTWIST", RTREAL, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Real(s.View().twist); },
     [](S& s, const V& v) {
         s.View().twist = v.real;
         return true;
     }},
    {u"FRONTZ", RTREAL, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Real(s.View().frontZ); },
     [](S& s, const V& v) {
         s.View().frontZ = v.real;
         return true;
     }},
    {u"BACKZ", RTREAL, Where::kView, true, 0, 0, nullptr, [](const S& s) { return V::Real(s.View().backZ); },
     [](S& s, const V& v) {
         s.View().backZ = v.real;
         return true;
     }},
    {u"UCSORG", RT3DPOINT, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Point3d(s.Ucs().origin); },
     [](S& s, const V& v) { return s.SetUcs(AsPoint(v), s.Ucs().xAxis, s.Ucs().yAxis); }},
    {u"UCSXDIR", RT3DPOINT, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Point3d(AcGePoint3d::kOrigin + s.Ucs().xAxis); },
     [](S& s, const V& v) { return s.SetUcs(s.Ucs().origin, AsVector(v), s.Ucs().yAxis); }},
    {u"UCSYDIR", RT3DPOINT, Where::kView, true, 0, 0, nullptr,
     [](const S& s) { return V::Point3d(AcGePoint3d::kOrigin + s.Ucs().yAxis); },
     [](S& s, const V& v) { return s.SetUcs(s.Ucs().origin, s.Ucs().xAxis, AsVector(v)); }},
    {u"TILEMODE", RTSHORT, Where::kDocument, false, 0, 1, [] { return V::Short(1); }, nullptr, nullptr},
    {u"CVPORT", RTSHORT, Where::kDocument, false, 1, 32767, [] { return V::Short(2); }, nullptr, nullptr},
    {u"IMAGEFRAME", RTSHORT, Where::kDocument, false, 0, 2, [] { return V::Short(1); }, nullptr, nullptr},
    {u"ZOOMFACTOR", RTSHORT, Where::kSession, false, 3, 100, [] { return V::Short(60); }, nullptr, nullptr},
    {u"DBLCLKEDIT", RTSHORT, Where::kSession, false, 0, 1, [] { return V::Short(1); }, nullptr, nullptr},
    {u"RTDISPLAY", RTSHORT, Where::kSession, false, 0, 1, [] { return V::Short(1); }, nullptr, nullptr},
};

std::u16string Upper(const std::u16string& name) {
    std::u16string key(name);
    for (char16_t& c : key) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return key;
}

const Def* FindDef(const std::u16string& key) {
    for (const Def& def : kDefs) {
        if (key == def.name) {
            return &def;
        }
    }
    return nullptr;
}

std::map<std::u16string, SysVarValue>& SessionVars();

void ResetSessionVars() {
    auto& vars = SessionVars();
    vars.clear();
    for (const Def& def : kDefs) {
        if (def.where == Where::kSession) {
            vars[def.name] = def.initial();
        }
    }
}

SysVarStore*& CurrentPointer() {
    static SysVarStore* current = nullptr;
    return current;
}

SysVarStore& DefaultStore();

void EnsureRegistered() {
    static const bool registered = (RegisterReset("aced.sysvars",
                                                  [] {
                                                      CurrentPointer() = nullptr;
                                                      DefaultStore().ResetToDefaults();
                                                      ResetSessionVars();
                                                  }),
                                    true);
    (void)registered;
}

std::map<std::u16string, SysVarValue>& SessionVars() {
    static std::map<std::u16string, SysVarValue> vars;
    static bool filled = false;
    if (!filled) {
        filled = true;
        ResetSessionVars();
        EnsureRegistered();
    }
    return vars;
}

SysVarStore& DefaultStore() {
    static SysVarStore store;
    return store;
}

bool IsFinite(const SysVarValue& v) {
    return std::isfinite(v.real) && std::isfinite(v.point[X]) && std::isfinite(v.point[Y]) &&
           std::isfinite(v.point[Z]);
}

// The value converted to the variable's type, when it converts without loss.
bool Coerce(const Def& def, const SysVarValue& in, SysVarValue& out) {
    out = SysVarValue();
    out.type = def.type;
    switch (def.type) {
        case RTSHORT: {
            long long n = 0;
            if (in.type == RTSHORT) {
                n = in.shortValue;
            } else if (in.type == RTLONG) {
                n = in.longValue;
            } else {
                return false;
            }
            if (n < def.min || n > def.max) {
                return false;
            }
            out.shortValue = static_cast<short>(n);
            return true;
        }
        case RTREAL:
            if (in.type == RTREAL || in.type == RTANG) {
                out.real = in.real;
            } else if (in.type == RTSHORT) {
                out.real = in.shortValue;
            } else if (in.type == RTLONG) {
                out.real = in.longValue;
            } else {
                return false;
            }
            return IsFinite(out);
        case RTPOINT:
        case RT3DPOINT:
            if (in.type != RTPOINT && in.type != RT3DPOINT) {
                return false;
            }
            out.point[X] = in.point[X];
            out.point[Y] = in.point[Y];
            out.point[Z] = (in.type == RT3DPOINT && def.type == RT3DPOINT) ? in.point[Z] : 0.0;
            return IsFinite(out);
        case RTSTR:
            if (in.type != RTSTR) {
                return false;
            }
            out.text = in.text;
            return true;
        default:
            return false;
    }
}

bool FromResbuf(const resbuf& rb, SysVarValue& value) {
    value = SysVarValue();
    value.type = rb.restype;
    switch (rb.restype) {
        case RTREAL:
        case RTANG:
            value.real = rb.resval.rreal;
            return true;
        case RTSHORT:
            value.shortValue = rb.resval.rint;
            return true;
        case RTLONG:
            value.longValue = rb.resval.rlong;
            return true;
        case RTPOINT:
        case RT3DPOINT:
            value.point[X] = rb.resval.rpoint[X];
            value.point[Y] = rb.resval.rpoint[Y];
            value.point[Z] = rb.resval.rpoint[Z];
            return true;
        case RTSTR:
            if (rb.resval.rstring == nullptr) {
                return false;
            }
            value.text = rb.resval.rstring;
            return true;
        default:
            return false;
    }
}

void ToResbuf(const SysVarValue& value, resbuf& rb) {
    rb.restype = value.type;
    switch (value.type) {
        case RTREAL:
            rb.resval.rreal = value.real;
            break;
        case RTSHORT:
            rb.resval.rint = value.shortValue;
            break;
        case RTLONG:
            rb.resval.rlong = value.longValue;
            break;
        case RTPOINT:
        case RT3DPOINT:
            rb.resval.rpoint[X] = value.point[X];
            rb.resval.rpoint[Y] = value.point[Y];
            rb.resval.rpoint[Z] = value.point[Z];
            break;
        case RTSTR:
            rb.resval.rstring = RbDupString(value.text.c_str());
            break;
        default:
            break;
    }
}

}  // namespace

SysVarStore::SysVarStore() {
    ResetToDefaults();
}

SysVarStore::~SysVarStore() {
    if (CurrentPointer() == this) {
        CurrentPointer() = nullptr;
    }
}

void SysVarStore::ResetToDefaults() {
    m_vars.clear();
    for (const Def& def : kDefs) {
        if (def.where == Where::kDocument) {
            m_vars[def.name] = def.initial();
        }
    }
    m_view = ViewState();
    m_ucs = UcsState();
}

bool SysVarStore::Lookup(const std::u16string& name, SysVarValue& value) const {
    const std::u16string key = Upper(name);
    const Def* def = FindDef(key);
    if (def == nullptr) {
        return false;
    }
    switch (def->where) {
        case Where::kView:
            value = def->get(*this);
            return true;
        case Where::kSession:
            value = SessionVars()[key];
            return true;
        case Where::kDocument:
            value = m_vars.at(key);
            return true;
    }
    return false;
}

int SysVarStore::Get(const std::u16string& name, resbuf& result) const {
    SysVarValue value;
    if (!Lookup(name, value)) {
        return RTERROR;
    }
    ToResbuf(value, result);
    return RTNORM;
}

bool SysVarStore::Write(const std::u16string& name, const SysVarValue& value, bool force) {
    const std::u16string key = Upper(name);
    const Def* def = FindDef(key);
    SysVarValue typed;
    if (def == nullptr || (def->readOnly && !force) || !Coerce(*def, value, typed)) {
        return false;
    }
    switch (def->where) {
        case Where::kView:
            return def->put(*this, typed);
        case Where::kSession:
            SessionVars()[key] = typed;
            return true;
        case Where::kDocument:
            m_vars[key] = typed;
            return true;
    }
    return false;
}

int SysVarStore::Set(const std::u16string& name, const resbuf& value) {
    SysVarValue v;
    if (!FromResbuf(value, v)) {
        return RTERROR;
    }
    return Write(name, v, false) ? RTNORM : RTERROR;
}

bool SysVarStore::Force(const std::u16string& name, const SysVarValue& value) {
    return Write(name, value, true);
}

bool SysVarStore::SetUcs(const AcGePoint3d& origin, const AcGeVector3d& xAxis, const AcGeVector3d& yAxis) {
    const AcGeVector3d x = xAxis.normal();
    const AcGeVector3d z = xAxis.crossProduct(yAxis).normal();
    if (x.isZeroLength() || z.isZeroLength() || !x.isUnitLength(AcGeTol(1e-10, 1e-9)) ||
        !z.isUnitLength(AcGeTol(1e-10, 1e-9))) {
        return false;
    }
    m_ucs.origin = origin;
    m_ucs.xAxis = x;
    m_ucs.yAxis = z.crossProduct(x);
    return true;
}

void SysVarStore::SetWorldUcs() {
    m_ucs = UcsState();
}

AcGeMatrix3d SysVarStore::UcsToWorld() const {
    AcGeMatrix3d m;
    return m.setCoordSystem(m_ucs.origin, m_ucs.xAxis, m_ucs.yAxis, m_ucs.zAxis());
}

AcGeMatrix3d SysVarStore::WorldToUcs() const {
    return UcsToWorld().inverse();
}

AcGeMatrix3d SysVarStore::DisplayToWorld() const {
    // The display system has its origin at the target and its Z axis towards the viewer. Untwisted, its X
    // axis is the world Z axis crossed with the view direction (the world X axis when looking along Z); the
    // twist turns the drawing counter-clockwise on screen, so the axes turn clockwise.
    const AcGeVector3d z = m_view.direction.isZeroLength() ? AcGeVector3d::kZAxis : m_view.direction.normal();
    AcGeVector3d x0 = AcGeVector3d::kZAxis.crossProduct(z);
    if (x0.length() < 1e-12) {
        x0 = AcGeVector3d::kXAxis;
    }
    x0.normalize();
    const AcGeVector3d y0 = z.crossProduct(x0);
    const double c = std::cos(m_view.twist);
    const double s = std::sin(m_view.twist);
    const AcGeVector3d x = x0 * c - y0 * s;
    const AcGeVector3d y = x0 * s + y0 * c;
    AcGeMatrix3d m;
    return m.setCoordSystem(m_view.target, x, y, z);
}

AcGeMatrix3d SysVarStore::WorldToDisplay() const {
    return DisplayToWorld().inverse();
}

SysVarStore& CurrentSysVars() {
    EnsureRegistered();
    SysVarStore* current = CurrentPointer();
    return current != nullptr ? *current : DefaultStore();
}

void SetCurrentSysVarStore(SysVarStore* store) {
    EnsureRegistered();
    CurrentPointer() = store;
}

}  // namespace platform

int acedGetVar(const ACHAR* name, resbuf* result) {
    if (name == nullptr || result == nullptr) {
        return RTERROR;
    }
    return platform::CurrentSysVars().Get(name, *result);
}

int acedSetVar(const ACHAR* name, const resbuf* value) {
    if (name == nullptr || value == nullptr) {
        return RTERROR;
    }
    return platform::CurrentSysVars().Set(name, *value);
}
