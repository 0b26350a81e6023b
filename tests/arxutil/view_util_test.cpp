// CViewUtil: the view rectangle, zooms and their round trip through the host's view, the model-space centre.
#include <gtest/gtest.h>

#include <limits>

#include "platform/arx/arxheaders.h"
#include "plugin/arxutil/ViewUtil.h"

namespace {

void SetView(double cx, double cy, double size, double sx, double sy) {
    platform::SysVarStore& vars = platform::CurrentSysVars();
    vars.Force(u"VIEWCTR", platform::SysVarValue::Point3d(AcGePoint3d(cx, cy, 0)));
    vars.Force(u"VIEWSIZE", platform::SysVarValue::Real(size));
    vars.Force(u"SCREENSIZE", platform::SysVarValue::Point2d(sx, sy));
}

AcDbObjectId AddLine(const AcGePoint3d& a, const AcGePoint3d& b) {
    AcDbBlockTable* table = nullptr;
    acdbHostApplicationServices()->workingDatabase()->getBlockTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* ms = nullptr;
    table->getAt(ACDB_MODEL_SPACE, ms, AcDb::kForWrite);
    table->close();
    AcDbLine* line = new AcDbLine(a, b);
    AcDbObjectId id;
    ms->appendAcDbEntity(id, line);
    line->close();
    ms->close();
    return id;
}

TEST(ViewUtil, ViewRectangleFromTheViewVariables) {
    SetView(100, 200, 50, 1600, 800);
    ViewRectInfo info;
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info, 1.0));
    EXPECT_DOUBLE_EQ(info.minX, 50);
    EXPECT_DOUBLE_EQ(info.minY, 175);
    EXPECT_DOUBLE_EQ(info.maxX, 150);
    EXPECT_DOUBLE_EQ(info.maxY, 225);
    EXPECT_EQ(info.screenW, 1600);
    EXPECT_EQ(info.screenH, 800);
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info, 2.0));
    EXPECT_DOUBLE_EQ(info.minX, 0);
    EXPECT_DOUBLE_EQ(info.minY, 150);
    EXPECT_DOUBLE_EQ(info.maxX, 200);
    EXPECT_DOUBLE_EQ(info.maxY, 250);

    SetView(100, 200, 50, 1599.7, 800.9);
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info));
    EXPECT_EQ(info.screenW, 1599);
    EXPECT_EQ(info.screenH, 800);

    SetView(0, 0, 100, 1600, 800);
    EXPECT_DOUBLE_EQ(CViewUtil::GetDwgLengthOfPixels(256), 32.0);

    // A viewport without height, a view without size, or a huge screen give "no view", not NaN.
    const ViewRectInfo before = info;
    for (auto [size, sx, sy] : {std::tuple{50.0, 1600.0, 0.0}, {0.0, 1600.0, 800.0}, {50.0, 1e12, 800.0}}) {
        SetView(100, 200, size, sx, sy);
        EXPECT_FALSE(CViewUtil::GetCurViewRect(info));
        EXPECT_EQ(info.minX, before.minX);
        EXPECT_EQ(info.screenW, before.screenW);
    }
    SetView(100, 200, 50, 1600, 0);
    EXPECT_EQ(CViewUtil::GetDwgLengthOfPixels(256), 0.0);
    AcDbViewTableRecord view;
    EXPECT_FALSE(CViewUtil::GetCurrentView(view));
}

TEST(ViewUtil, CurrentViewCarriesEveryViewVariable) {
    SetView(100, 200, 50, 1600, 800);
    platform::SysVarStore& vars = platform::CurrentSysVars();
    vars.Force(u"VIEWMODE", platform::SysVarValue::Short(1 | 4));
    vars.Force(u"LENSLENGTH", platform::SysVarValue::Real(35));
    vars.Force(u"FRONTZ", platform::SysVarValue::Real(3));
    vars.Force(u"BACKZ", platform::SysVarValue::Real(-4));
    vars.Force(u"TARGET", platform::SysVarValue::Point3d(AcGePoint3d(5, 6, 0)));
    vars.Force(u"TILEMODE", platform::SysVarValue::Short(1));
    vars.Force(u"CVPORT", platform::SysVarValue::Short(2));
    AcDbViewTableRecord view;
    ASSERT_TRUE(CViewUtil::GetCurrentView(view));
    EXPECT_EQ(view.centerPoint(), AcGePoint2d(95, 194));  // the display system's origin is the target
    EXPECT_DOUBLE_EQ(view.height(), 50);
    EXPECT_DOUBLE_EQ(view.width(), 100);
    EXPECT_TRUE(view.perspectiveEnabled());
    EXPECT_FALSE(view.frontClipEnabled());
    EXPECT_TRUE(view.backClipEnabled());
    EXPECT_TRUE(view.frontClipAtEye());
    EXPECT_DOUBLE_EQ(view.lensLength(), 35);
    EXPECT_EQ(view.target(), AcGePoint3d(5, 6, 0));
    EXPECT_EQ(view.viewDirection(), AcGeVector3d(0, 0, 1));
    EXPECT_DOUBLE_EQ(view.viewTwist(), 0);
    EXPECT_FALSE(view.isPaperspaceView());
    EXPECT_DOUBLE_EQ(view.frontClipDistance(), 3);
    EXPECT_DOUBLE_EQ(view.backClipDistance(), -4);

    // Paper space (no tiles, viewport 1) keeps no clip distances; bit 16 puts the front clip off the eye.
    vars.Force(u"VIEWMODE", platform::SysVarValue::Short(2 | 16));
    vars.Force(u"VIEWTWIST", platform::SysVarValue::Real(0.25));
    vars.Force(u"TILEMODE", platform::SysVarValue::Short(0));
    vars.Force(u"CVPORT", platform::SysVarValue::Short(1));
    ASSERT_TRUE(CViewUtil::GetCurrentView(view));
    EXPECT_FALSE(view.perspectiveEnabled());
    EXPECT_TRUE(view.frontClipEnabled());
    EXPECT_FALSE(view.backClipEnabled());
    EXPECT_FALSE(view.frontClipAtEye());
    EXPECT_DOUBLE_EQ(view.viewTwist(), 0.25);
    EXPECT_TRUE(view.isPaperspaceView());
    EXPECT_DOUBLE_EQ(view.frontClipDistance(), 0);
    EXPECT_DOUBLE_EQ(view.backClipDistance(), 0);
}

TEST(ViewUtil, ZoomWindowRoundTripsThroughTheHostsView) {
    SetView(0, 0, 100, 1600, 800);
    ViewRectInfo info;
    CViewUtil::ZoomWindow(AcGePoint3d(10, 20, 0), AcGePoint3d(0, 0, 0), 1.0);  // 10 wide, 20 high
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info));
    EXPECT_DOUBLE_EQ(info.minX, -15);  // the viewport is 2:1, so 40 wide
    EXPECT_DOUBLE_EQ(info.maxX, 25);
    EXPECT_DOUBLE_EQ(info.minY, 0);
    EXPECT_DOUBLE_EQ(info.maxY, 20);

    CViewUtil::ZoomWindow(AcGePoint3d(0, 0, 0), AcGePoint3d(40, 10, 0), 2.0);
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info));
    EXPECT_DOUBLE_EQ(info.minX, -20);
    EXPECT_DOUBLE_EQ(info.maxX, 60);
    EXPECT_DOUBLE_EQ(info.minY, -15);
    EXPECT_DOUBLE_EQ(info.maxY, 25);

    // Identical corners leave the view; a window of no height takes its height from the view's shape.
    const ViewRectInfo before = info;
    CViewUtil::ZoomWindow(AcGePoint3d(3, 3, 0), AcGePoint3d(3, 3, 0), 1.0);
    CViewUtil::ZoomWindow(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 10, 0), 0.0);
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info));
    EXPECT_DOUBLE_EQ(info.minX, before.minX);
    EXPECT_DOUBLE_EQ(info.maxY, before.maxY);
    CViewUtil::ZoomWindow(AcGePoint3d(0, 4, 0), AcGePoint3d(10, 4, 0), 1.0);
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info));
    EXPECT_DOUBLE_EQ(info.minX, 0);
    EXPECT_DOUBLE_EQ(info.maxX, 10);
    EXPECT_DOUBLE_EQ(info.minY, 1.5);
    EXPECT_DOUBLE_EQ(info.maxY, 6.5);

    CViewUtil::ZoomCenter(AcGePoint3d(100, 100, 0));
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info));
    EXPECT_DOUBLE_EQ(info.minX, 95);
    EXPECT_DOUBLE_EQ(info.maxY, 102.5);
}

TEST(ViewUtil, ModelSpaceCentreExtentsAndDisplay) {
    EXPECT_EQ(CViewUtil::GetModelSpaceCenter(), AcGePoint3d::kOrigin);  // no drawing
    AcApDocument* doc = platform::NewDocument();
    EXPECT_EQ(CViewUtil::GetModelSpaceCenter(), AcGePoint3d::kOrigin);  // empty drawing
    EXPECT_EQ(CViewUtil::ZoomActiveVportExtents(doc->database()), Acad::eInvalidExtents);
    EXPECT_EQ(CViewUtil::ZoomActiveVportExtents(nullptr), Acad::eNoDatabase);
    SetView(0, 0, 100, 1600, 800);
    CViewUtil::ZoomExtents();
    resbuf rb;
    acedGetVar(u"VIEWSIZE", &rb);
    EXPECT_DOUBLE_EQ(rb.resval.rreal, 100.0);  // nothing to fit

    acDocManager->lockDocument(doc);
    AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    AddLine(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 20, 0));
    const AcGePoint3d center = CViewUtil::GetModelSpaceCenter();
    EXPECT_DOUBLE_EQ(center.x, 5);
    EXPECT_DOUBLE_EQ(center.y, 10);
    CViewUtil::ZoomExtents();
    ViewRectInfo info;
    ASSERT_TRUE(CViewUtil::GetCurViewRect(info));
    EXPECT_DOUBLE_EQ(info.minY, 0);
    EXPECT_DOUBLE_EQ(info.maxY, 20);
    EXPECT_DOUBLE_EQ(info.minX, -15);

    EXPECT_EQ(CViewUtil::ZoomActiveVportExtents(doc->database()), Acad::eOk);
    AcDbViewportTable* table = nullptr;
    ASSERT_EQ(doc->database()->getViewportTable(table, AcDb::kForRead), Acad::eOk);
    AcDbViewportTableRecord* active = nullptr;
    ASSERT_EQ(table->getAt(u"*ACTIVE", active, AcDb::kForRead), Acad::eOk);
    table->close();
    EXPECT_DOUBLE_EQ(active->height(), 24.0);
    EXPECT_DOUBLE_EQ(active->width(), 12.0);
    EXPECT_EQ(active->centerPoint(), AcGePoint2d(5, 10));
    active->close();
    acDocManager->unlockDocument(doc);
    EXPECT_TRUE(platform::LockViolations().empty());

    CViewUtil::UpdateDisplay();
    EXPECT_EQ(platform::Display().queueForGraphicsFlush, 1);
    EXPECT_EQ(platform::Display().flushGraphics, 1);
    EXPECT_EQ(platform::Display().updateDisplay, 1);
}

}  // namespace
