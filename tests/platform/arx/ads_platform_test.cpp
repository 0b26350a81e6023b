// The host SDK's ADS utilities, palette, system variables and transforms, as the helpers above rely on them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <numbers>

#include "platform/arx/aced/acedcolor.h"
#include "platform/arx/aced/acedtrans.h"
#include "platform/arx/aced/sysvar.h"
#include "platform/arx/acut/acut_all.h"

namespace {

constexpr double kPi = std::numbers::pi;

TEST(AdsMath, AngleDistanceAndPolar) {
    const ads_point o = {0, 0, 0};
    const ads_point east = {1, 0, 0};
    const ads_point south = {0, -1, 0};
    const ads_point justBelow = {1, -1e-300, 0};
    EXPECT_DOUBLE_EQ(acutAngle(o, east), 0.0);
    EXPECT_DOUBLE_EQ(acutAngle(o, south), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(acutAngle(east, o), kPi);
    EXPECT_LT(acutAngle(o, justBelow), 2 * kPi);
    const ads_point far = {1, 2, 2};
    EXPECT_DOUBLE_EQ(acutDistance(o, far), 3.0);

    ads_point p = {1, 1, 7};
    acutPolar(p, kPi / 2, 2.0, p);  // result may be the input
    EXPECT_NEAR(p[X], 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(p[Y], 3.0);
    EXPECT_DOUBLE_EQ(p[Z], 7.0);
}

TEST(AdsResbuf, BuildListCopiesAndRelRbFreesTheChain) {
    char16_t name[] = u"abc";
    const ads_point pt = {1, 2, 3};
    resbuf* chain = acutBuildList(1, name, 90, 7, 40, 2.5, 10, pt, RTPOINT, pt, RTSHORT, 12, 0);
    ASSERT_NE(chain, nullptr);
    name[0] = u'X';  // the chain holds its own copy

    const resbuf* rb = chain;
    EXPECT_EQ(rb->restype, 1);
    EXPECT_EQ(std::u16string(rb->resval.rstring), u"abc");
    rb = rb->rbnext;
    EXPECT_EQ(rb->restype, 90);
    EXPECT_EQ(rb->resval.rlong, 7);
    rb = rb->rbnext;
    EXPECT_DOUBLE_EQ(rb->resval.rreal, 2.5);
    rb = rb->rbnext;
    EXPECT_DOUBLE_EQ(rb->resval.rpoint[Z], 3.0);
    rb = rb->rbnext;
    EXPECT_EQ(rb->restype, RTPOINT);
    EXPECT_DOUBLE_EQ(rb->resval.rpoint[Y], 2.0);
    EXPECT_DOUBLE_EQ(rb->resval.rpoint[Z], 0.0);  // a 2D point carries no Z
    rb = rb->rbnext;
    EXPECT_EQ(rb->resval.rint, 12);
    EXPECT_EQ(rb->rbnext, nullptr);

    resbuf* copy = platform::DuplicateRbChain(chain);
    acutRelRb(chain);  // the copy's strings are its own (the leak checker sees both freed)
    EXPECT_EQ(std::u16string(copy->resval.rstring), u"abc");
    acutRelRb(copy);

    EXPECT_EQ(acutBuildList(RTSTR, u"x", 1234, 5, 0), nullptr);  // 1234 is no type
    EXPECT_EQ(acutBuildList(RTNONE), nullptr);
    EXPECT_EQ(acutRelRb(nullptr), RTNORM);
}

TEST(AcedPalette, BasicColoursShadesAndBounds) {
    const DWORD expected[8] = {RGB(0, 0, 0),     RGB(255, 0, 0), RGB(255, 255, 0), RGB(0, 255, 0),
                               RGB(0, 255, 255), RGB(0, 0, 255), RGB(255, 0, 255), RGB(255, 255, 255)};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(acedGetRGB(i), expected[i]) << i;
    }
    EXPECT_EQ(acedGetRGB(1), 0x0000FFu);  // red in the lowest byte
    EXPECT_EQ(acedGetRGB(10), RGB(255, 0, 0));
    EXPECT_EQ(acedGetRGB(11), RGB(255, 127, 127));
    EXPECT_EQ(acedGetRGB(12), RGB(165, 0, 0));
    EXPECT_EQ(acedGetRGB(30), RGB(255, 127, 0));
    EXPECT_EQ(acedGetRGB(250), RGB(51, 51, 51));
    EXPECT_EQ(acedGetRGB(255), RGB(255, 255, 255));
    EXPECT_EQ(acedGetRGB(-1), 0u);
    EXPECT_EQ(acedGetRGB(256), 0u);
}

TEST(AcedSysVars, DefaultsTypesAndRefusals) {
    resbuf rb;
    ASSERT_EQ(acedGetVar(u"zoomfactor", &rb), RTNORM);  // names are case-insensitive
    EXPECT_EQ(rb.restype, RTSHORT);
    EXPECT_EQ(rb.resval.rint, 60);
    ASSERT_EQ(acedGetVar(u"SCREENSIZE", &rb), RTNORM);
    EXPECT_EQ(rb.restype, RTPOINT);
    ASSERT_EQ(acedGetVar(u"VIEWCTR", &rb), RTNORM);
    EXPECT_EQ(rb.restype, RT3DPOINT);
    for (const char16_t* name : {u"VIEWSIZE", u"LENSLENGTH", u"VIEWTWIST", u"FRONTZ", u"BACKZ"}) {
        ASSERT_EQ(acedGetVar(name, &rb), RTNORM);
        EXPECT_EQ(rb.restype, RTREAL) << std::string(name, name + 4);
    }
    for (const char16_t* name : {u"VIEWMODE", u"TILEMODE", u"CVPORT", u"DBLCLKEDIT", u"RTDISPLAY"}) {
        ASSERT_EQ(acedGetVar(name, &rb), RTNORM);
        EXPECT_EQ(rb.restype, RTSHORT);
    }

    resbuf untouched;
    untouched.restype = 77;
    EXPECT_EQ(acedGetVar(u"NOSUCHVAR", &untouched), RTERROR);
    EXPECT_EQ(untouched.restype, 77);

    resbuf value;
    value.restype = RTSHORT;
    value.resval.rint = 100;
    EXPECT_EQ(acedSetVar(u"ZOOMFACTOR", &value), RTNORM);
    value.resval.rint = 0;
    EXPECT_EQ(acedSetVar(u"DBLCLKEDIT", &value), RTNORM);
    value.resval.rint = 101;
    EXPECT_EQ(acedSetVar(u"ZOOMFACTOR", &value), RTERROR);  // out of range
    value.restype = RTREAL;
    value.resval.rreal = 50.0;
    EXPECT_EQ(acedSetVar(u"ZOOMFACTOR", &value), RTERROR);  // wrong type
    EXPECT_EQ(acedSetVar(u"VIEWSIZE", &value), RTERROR);    // read-only
    ASSERT_EQ(acedGetVar(u"ZOOMFACTOR", &rb), RTNORM);
    EXPECT_EQ(rb.resval.rint, 100);

    // Session variables are shared by documents; view variables are each document's own.
    platform::SysVarStore doc;
    ASSERT_TRUE(doc.Force(u"VIEWSIZE", platform::SysVarValue::Real(42.0)));
    platform::SetCurrentSysVarStore(&doc);
    ASSERT_EQ(acedGetVar(u"VIEWSIZE", &rb), RTNORM);
    EXPECT_DOUBLE_EQ(rb.resval.rreal, 42.0);
    ASSERT_EQ(acedGetVar(u"ZOOMFACTOR", &rb), RTNORM);
    EXPECT_EQ(rb.resval.rint, 100);
    platform::SetCurrentSysVarStore(nullptr);
    ASSERT_EQ(acedGetVar(u"VIEWSIZE", &rb), RTNORM);
    EXPECT_DOUBLE_EQ(rb.resval.rreal, 100.0);
}

void ExpectTrans(const ads_point in, int from, int to, int disp, double x, double y, double z) {
    resbuf rbFrom;
    rbFrom.restype = RTSHORT;
    rbFrom.resval.rint = static_cast<short>(from);
    resbuf rbTo;
    rbTo.restype = RTSHORT;
    rbTo.resval.rint = static_cast<short>(to);
    ads_point out = {0, 0, 0};
    ASSERT_EQ(acedTrans(in, &rbFrom, &rbTo, disp, out), RTNORM);
    EXPECT_NEAR(out[X], x, 1e-9);
    EXPECT_NEAR(out[Y], y, 1e-9);
    EXPECT_NEAR(out[Z], z, 1e-9);
}

TEST(AcedTrans, RoundTripsUnderARotatedUcsAndATwistedView) {
    platform::SysVarStore& vars = platform::CurrentSysVars();
    // UCS at (10, 20, 0) turned a quarter counter-clockwise.
    ASSERT_TRUE(vars.SetUcs(AcGePoint3d(10, 20, 0), AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0)));
    const ads_point ucsPoint = {1, 2, 3};
    ExpectTrans(ucsPoint, 1, 0, 0, 8, 21, 3);
    ExpectTrans(ucsPoint, 1, 0, 1, -2, 1, 3);  // a displacement is only turned
    const ads_point wcsPoint = {8, 21, 3};
    ExpectTrans(wcsPoint, 0, 1, 0, 1, 2, 3);

    // Twisted plan view on a target: the drawing turns a quarter counter-clockwise on screen.
    vars.View().target = AcGePoint3d(5, 5, 0);
    vars.View().twist = kPi / 2;
    const ads_point east = {6, 5, 0};
    ExpectTrans(east, 0, 2, 0, 0, 1, 0);
    const ads_point dcs = {0, 1, 0};
    ExpectTrans(dcs, 2, 0, 0, 6, 5, 0);
    ExpectTrans(dcs, 2, 1, 0, -15, 4, 0);  // DCS -> UCS passes through the world

    // Looking from +X: the screen's X axis is the world's Y axis, its Y axis the world's Z axis.
    vars.SetWorldUcs();
    vars.View().target = AcGePoint3d(0, 0, 0);
    vars.View().twist = 0;
    ASSERT_TRUE(vars.Force(u"VIEWDIR", platform::SysVarValue::Point3d(AcGePoint3d(1, 0, 0))));
    const ads_point up = {0, 1, 1};
    ExpectTrans(up, 0, 2, 0, 1, 1, 0);

    // Unknown systems are refused and the result is left alone.
    resbuf bad;
    bad.restype = RTSHORT;
    bad.resval.rint = 7;
    resbuf wcs;
    wcs.restype = RTSHORT;
    wcs.resval.rint = 0;
    ads_point out = {9, 9, 9};
    EXPECT_EQ(acedTrans(up, &bad, &wcs, 0, out), RTERROR);
    EXPECT_EQ(acedTrans(up, &wcs, nullptr, 0, out), RTERROR);
    bad.restype = RTSTR;
    EXPECT_EQ(acedTrans(up, &wcs, &bad, 0, out), RTERROR);
    EXPECT_EQ(out[X], 9.0);
    EXPECT_EQ(out[Z], 9.0);
}

TEST(AcedSysVars, ViewVariablesReadInTheCurrentUcs) {
    platform::SysVarStore& vars = platform::CurrentSysVars();
    vars.View().center = AcGePoint3d(100, 200, 0);
    ASSERT_TRUE(vars.SetUcs(AcGePoint3d(100, 0, 0), AcGeVector3d(1, 0, 0), AcGeVector3d(0, 1, 0)));
    resbuf rb;
    ASSERT_EQ(acedGetVar(u"VIEWCTR", &rb), RTNORM);
    EXPECT_DOUBLE_EQ(rb.resval.rpoint[X], 0.0);
    EXPECT_DOUBLE_EQ(rb.resval.rpoint[Y], 200.0);
    // Forcing it back in UCS terms stores the world point.
    ASSERT_TRUE(vars.Force(u"VIEWCTR", platform::SysVarValue::Point3d(AcGePoint3d(1, 2, 0))));
    EXPECT_EQ(vars.View().center, AcGePoint3d(101, 2, 0));
    EXPECT_FALSE(vars.SetUcs(AcGePoint3d::kOrigin, AcGeVector3d(1, 0, 0), AcGeVector3d(2, 0, 0)));
}

}  // namespace
