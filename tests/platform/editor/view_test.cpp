// acedSetCurrentView and the view variables; the status bar's progress meter.
#include <gtest/gtest.h>

#include "platform/arx/arxheaders.h"
#include "recorder.h"

namespace {

double Real(const ACHAR* name) {
    resbuf rb;
    EXPECT_EQ(acedGetVar(name, &rb), RTNORM);
    return rb.resval.rreal;
}

TEST(View, SetCurrentViewFitsTheWindowAndUpdatesTheVariables) {
    platform::NewDocument();
    Recorder rec;
    acedEditor->addReactor(&rec);
    platform::CurrentSysVars().Force(u"SCREENSIZE", platform::SysVarValue::Point2d(1600, 800));

    AcDbViewTableRecord view;
    view.setCenterPoint(AcGePoint2d(100, 200));
    view.setHeight(10);
    view.setWidth(40);  // wider than the viewport's 2:1: the height grows to 20
    ASSERT_EQ(acedSetCurrentView(&view, nullptr), Acad::eOk);
    EXPECT_DOUBLE_EQ(Real(u"VIEWSIZE"), 20.0);
    resbuf rb;
    ASSERT_EQ(acedGetVar(u"VIEWCTR", &rb), RTNORM);
    EXPECT_DOUBLE_EQ(rb.resval.rpoint[X], 100.0);
    EXPECT_DOUBLE_EQ(rb.resval.rpoint[Y], 200.0);
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"viewChanged"}));

    // The centre is in the display system: origin at the target.
    view.setTarget(AcGePoint3d(5, 5, 0));
    view.setCenterPoint(AcGePoint2d(1, 2));
    view.setHeight(30);
    view.setWidth(10);
    view.setViewTwist(0.0);
    view.setFrontClipAtEye(false);
    ASSERT_EQ(acedSetCurrentView(&view, nullptr), Acad::eOk);
    EXPECT_DOUBLE_EQ(Real(u"VIEWSIZE"), 30.0);
    ASSERT_EQ(acedGetVar(u"VIEWCTR", &rb), RTNORM);
    EXPECT_DOUBLE_EQ(rb.resval.rpoint[X], 6.0);
    EXPECT_DOUBLE_EQ(rb.resval.rpoint[Y], 7.0);
    ASSERT_EQ(acedGetVar(u"VIEWMODE", &rb), RTNORM);
    EXPECT_EQ(rb.resval.rint, 16);
    rec.Take();

    // Refused views leave everything as it was.
    view.setHeight(0);
    EXPECT_EQ(acedSetCurrentView(&view, nullptr), Acad::eInvalidInput);
    view.setHeight(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(acedSetCurrentView(&view, nullptr), Acad::eInvalidInput);
    EXPECT_EQ(acedSetCurrentView(nullptr, nullptr), Acad::eInvalidInput);
    EXPECT_DOUBLE_EQ(Real(u"VIEWSIZE"), 30.0);
    EXPECT_TRUE(rec.Take().empty());
    acedEditor->removeReactor(&rec);
}

TEST(StatusBar, ProgressMeterCallsAreRecorded) {
    EXPECT_EQ(acedSetStatusBarProgressMeterPos(5), -1);  // no meter shown
    EXPECT_EQ(acedSetStatusBarProgressMeter(u"正在保存xData数据", 0, 100), 0);
    EXPECT_EQ(acedSetStatusBarProgressMeterPos(50), 0);
    EXPECT_EQ(acedSetStatusBarProgressMeterPos(500), 0);
    acedRestoreStatusBar();
    const auto& events = platform::StatusBarEvents();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].label, u"正在保存xData数据");
    EXPECT_EQ(events[1].pos, 50);
    EXPECT_EQ(events[2].pos, 100);
    EXPECT_EQ(events[3].kind, platform::StatusBarEvent::kRestore);
    EXPECT_FALSE(platform::ProgressMeterShown());
}

}  // namespace
