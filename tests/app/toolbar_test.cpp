// The toolbar in-process: its window, buttons, images and tips on the host's frame, and each button's command
// with the simulated map application answering.
#include <array>

#include "app/frame_fixture.h"
#include "platform/arx/acap/statusbar.h"
#include "platform/arx/aced/acedcmdline.h"
#include "plugin/core/HostEnv.h"
#include "plugin/app/ToolBar.h"
#include "plugin/core/PointIcon.h"
#include "plugin/core/RasterImage.h"
#include "plugin/basemap/SetCoorDlg.h"

namespace {

using frametest::FrameTest;
using platform::UiDialog;

class ToolBarTest : public FrameTest {
protected:
    void TearDown() override {
        platform::ClearStatusBarEvents();
        FrameTest::TearDown();
    }

    CAcToolBar* Bar() const { return g_pToolBarWnd != nullptr ? g_pToolBarWnd->m_pToolBar : nullptr; }
    bool Press(UINT id) {
        const bool pressed = platform::PressToolBarButton(Bar(), id);
        platform::PumpMessages();
        return pressed;
    }
    std::vector<int> Images() const {
        std::vector<int> images;
        for (int i = 0; i < Bar()->GetCount(); ++i) {
            UINT id = 0;
            UINT style = 0;
            int image = 0;
            Bar()->GetButtonInfo(i, id, style, image);
            images.push_back(image);
        }
        return images;
    }
    BYTE SavedOnlineMap() const {
        BYTE record[sizeof(CSettingsRecord)] = {};
        EXPECT_TRUE(GetPrivateProfileStructW(u"TarnArx", u"ini", record, sizeof record, g_strSettingsPath));
        return record[offsetof(CSettingsRecord, m_bOnlineMap)];
    }
    short ZoomFactor() const {
        resbuf value{};
        acedGetVar(u"ZOOMFACTOR", &value);
        return value.resval.rint;
    }

    // Point icons over the icon definition, and one captured map of its own definition, all size 60.
    void AddImages(int icons, AcDbObjectId& capture) {
        ASSERT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
        g_strIconPath.Empty();  // the plug-in's folder is this test's
        g_strIconName.Empty();
        LoadIconImage();
        ASSERT_FALSE(g_idIconImageDef.isNull());
        CEntityProperty properties;
        for (int i = 0; i < icons; ++i) {
            AcDbObjectId image;
            ASSERT_FALSE(
                AddImgPoint(image, g_idIconImageDef, AcGePoint3d(100.0 * i, 50.0, 0.0), 60, properties)
                    .isNull());
            iconIds.push_back(image);
        }
        const AcDbObjectId mapDef = GetRasterImgDefId(u"Capture_1", g_strIconPath);
        AcDbObjectId image;
        ASSERT_FALSE(AddImgPoint(image, mapDef, AcGePoint3d(0.0, 0.0, 0.0), 500, properties).isNull());
        capture = image;
        acDocManager->unlockDocument(doc);
    }
    double Width(AcDbObjectId id) const {
        AcDbRasterImage* image = nullptr;
        EXPECT_EQ(acdbOpenObject(image, id, AcDb::kForRead), Acad::eOk);
        AcGePoint3d origin;
        AcGeVector3d u;
        AcGeVector3d v;
        image->getOrientation(origin, u, v);
        image->close();
        return u.length();
    }

    std::vector<AcDbObjectId> iconIds;
};

TEST_F(ToolBarTest, FiveButtonsWithTipsAndImagesFloatOnTheHostFrameAndGoAtUnload) {
    Load();
    ASSERT_NE(GetToolBarWnd(), nullptr);
    CMDIFrameWnd* frame = acedGetAcadFrame();
    EXPECT_EQ(GetToolBarWnd()->GetParent(), frame);
    EXPECT_EQ(GetToolBarWnd()->GetDlgCtrlID(), 32993);
    EXPECT_FALSE(GetToolBarWnd()->IsWindowVisible());
    ASSERT_NE(Bar(), nullptr);
    ASSERT_EQ(frame->m_listControlBars.size(), 1u);

    CString title;
    Bar()->GetWindowText(title);
    EXPECT_EQ(title, CString(u"Zavrel工具栏(V1.4.1)"));
    const std::vector<UINT> ids = {32768, 32769, 32770, 32772, 32773};
    const std::vector<std::u16string> tips = {u"发送\n发送所选对象到Zavrel", u"底图\n加载在线底图",
                                              u"下载\n下载底图到本地", u"关联点\n设置关联点",
                                              u"设置\n设置属性"};
    ASSERT_EQ(Bar()->GetCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Bar()->GetItemID(i), ids[size_t(i)]);
        EXPECT_EQ(platform::ToolBarButtonTip(Bar(), i), tips[size_t(i)]);
    }
    EXPECT_EQ(Images(), (std::vector<int>{0, 5, 2, 3, 4}));  // the base map is off
    const CImageList* images = Bar()->GetToolBarCtrl().GetImageList();
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->m_images, (std::vector<UINT>{8328, 8130, 8149, 8129, 8132, 8131}));
    EXPECT_EQ(images->m_nFlags, UINT(ILC_COLOR32 | ILC_MASK));
    EXPECT_EQ(Bar()->GetControlStyle(), DWORD(TBSTYLE_FLAT | TBSTYLE_TRANSPARENT));
    EXPECT_EQ(Bar()->m_sizeImage.cx, 24);
    EXPECT_NE(Bar()->GetBarStyle() & CBRS_TOOLTIPS, 0u);

    EXPECT_TRUE(Bar()->IsFloating());
    EXPECT_EQ(Bar()->m_ptFloat.x, GetSystemMetrics(SM_CXSCREEN) - 275);
    EXPECT_EQ(Bar()->m_ptFloat.y, 70);
    EXPECT_TRUE(Bar()->IsVisible());

    // The idle update runs against the owner: no button is greyed although the frame handles none.
    platform::UpdateFrameControlBars(frame);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Bar()->GetButtonStyle(i) & TBBS_DISABLED, 0u);
    }
    // Every side is allowed; the user docks and floats it again.
    frame->DockControlBar(Bar(), AFX_IDW_DOCKBAR_RIGHT);
    EXPECT_FALSE(Bar()->IsFloating());
    EXPECT_EQ(Bar()->m_nDockBarId, UINT(AFX_IDW_DOCKBAR_RIGHT));
    EXPECT_TRUE(FloatToolBar(POINT{1685, 70}));
    EXPECT_TRUE(Bar()->IsFloating());

    EXPECT_TRUE(CreateToolBarWnd());  // already there: no second toolbar
    EXPECT_EQ(frame->m_listControlBars.size(), 1u);

    CAcToolBar* bar = Bar();
    theApp.dispatch(AcRx::kUnloadAppMsg, nullptr);
    EXPECT_EQ(GetToolBarWnd(), nullptr);
    EXPECT_TRUE(frame->m_listControlBars.empty());
    EXPECT_FALSE(FloatToolBar(POINT{0, 0}));
    (void)bar;
}

TEST_F(ToolBarTest, TheBaseMapSwitchSavesEachChangeAndRestoresTheViewAndIsRefusedWhileACaptureRuns) {
    Load();
    const short startZoom = ZoomFactor();
    ASSERT_EQ(g_Settings.m_bOnlineMap, 0);

    BaseMapAccess::CaptureItem(BaseMap()).m_bMeterShown = true;
    platform::CommandLineTranscript().clear();
    EXPECT_TRUE(Press(ID_TARN_ONLINE_MAP));
    EXPECT_NE(platform::CommandLineUtf8().find("当前系统正在进行取图(耗时)，无法进行在线加载地图！"),
              std::string::npos);
    EXPECT_EQ(g_Settings.m_bOnlineMap, 0);
    EXPECT_EQ(Images()[1], kImageOnlineMapOff);
    BaseMapAccess::CaptureItem(BaseMap()).m_bMeterShown = false;

    EXPECT_TRUE(Press(ID_TARN_ONLINE_MAP));
    EXPECT_EQ(g_Settings.m_bOnlineMap, 1);
    EXPECT_EQ(SavedOnlineMap(), 1);
    EXPECT_EQ(Images()[1], kImageOnlineMapOn);
    EXPECT_EQ(ZoomFactor(), 100);

    EXPECT_TRUE(Press(ID_TARN_ONLINE_MAP));
    EXPECT_EQ(g_Settings.m_bOnlineMap, 0);
    EXPECT_EQ(SavedOnlineMap(), 0);
    EXPECT_EQ(Images()[1], kImageOnlineMapOff);
    EXPECT_EQ(ZoomFactor(), startZoom);

    // Without a current drawing state the switch does nothing.
    g_DocSyncRegistry.m_pCurrent = nullptr;
    EXPECT_TRUE(Press(ID_TARN_ONLINE_MAP));
    EXPECT_EQ(g_Settings.m_bOnlineMap, 0);
}

TEST_F(ToolBarTest, SendAsksTheCoordinateStateAndRefusesLongitudeLatitudeAndAnAbsentMap) {
    Load();
    std::array<uint8_t, 16> digest{};
    map.SetCoordState(2, digest, "WGS 84");
    const size_t asked = map.RequestsOf(20202).size();
    user.ExpectMessageBox(u"Zavrel当前的坐标系为经纬度，不支持该操作！");
    EXPECT_TRUE(Press(ID_TARN_SEND));
    EXPECT_EQ(map.RequestsOf(20202).size(), asked + 1);
    EXPECT_EQ(g_bLonLat, 1);

    // Asked again while a reopen check waits for its answer: the state may have changed since, and the one
    // answer ends the check as well.
    g_MapAppState.m_bCheckPending = 1;
    user.ExpectMessageBox(u"经纬度");
    EXPECT_TRUE(Press(ID_TARN_SEND));
    EXPECT_EQ(map.RequestsOf(20202).size(), asked + 2);
    EXPECT_EQ(g_MapAppState.m_bCheckPending, 0);

    map.Stop();
    user.ExpectMessageBox(u"您尚未打开Zavrel地图");
    EXPECT_TRUE(Press(ID_TARN_SEND));
    EXPECT_TRUE(map.RequestsOf(20202).size() == asked + 2);
}

TEST_F(ToolBarTest, AChangedIconSizeReplacesTheIconsOnlyAndAnUnchangedOneNothing) {
    Load();
    AcDbObjectId capture;
    AddImages(3, capture);
    ASSERT_EQ(iconIds.size(), 3u);

    user.ExpectDialog(8133, [](UiDialog& d) {
        d.Select(8127, 1);  // 120
        d.Click(IDOK);
    });
    EXPECT_TRUE(Press(ID_TARN_SETTINGS));
    EXPECT_EQ(g_Settings.m_nIconSize, 120);
    for (AcDbObjectId id : iconIds) {
        EXPECT_DOUBLE_EQ(Width(id), 120.0);
    }
    EXPECT_DOUBLE_EQ(Width(capture), 500.0);  // a captured map keeps its geometry

    // The icon stands where it stood: the bottom edge's middle on its point.
    AcDbRasterImage* image = nullptr;
    ASSERT_EQ(acdbOpenObject(image, iconIds[1], AcDb::kForRead), Acad::eOk);
    AcGePoint3d origin;
    AcGeVector3d u;
    AcGeVector3d v;
    image->getOrientation(origin, u, v);
    image->close();
    EXPECT_DOUBLE_EQ(origin.x + u.x / 2.0, 100.0);
    EXPECT_DOUBLE_EQ(origin.y, 50.0);

    // Unchanged: nothing is posted, an icon of another size stays so.
    ASSERT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    ASSERT_EQ(acdbOpenObject(image, iconIds[0], AcDb::kForWrite), Acad::eOk);
    SetImgPointOrientation(image, AcGePoint3d(0, 50, 0), 33);
    image->close();
    acDocManager->unlockDocument(doc);
    user.ExpectDialog(8133, [](UiDialog& d) { d.Click(IDOK); });
    EXPECT_TRUE(Press(ID_TARN_SETTINGS));
    EXPECT_DOUBLE_EQ(Width(iconIds[0]), 33.0);
    // Cancelled: nothing either.
    g_Settings.m_nIconSize = 60;
    user.ExpectDialog(8133, [](UiDialog& d) { d.Click(IDCANCEL); });
    EXPECT_TRUE(Press(ID_TARN_SETTINGS));
    EXPECT_DOUBLE_EQ(Width(iconIds[0]), 33.0);

    // Icons on a locked layer can't be opened for write: each says so and keeps its size.
    ASSERT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(acdbHostApplicationServices()->workingDatabase()->getLayerTable(layers, AcDb::kForRead),
              Acad::eOk);
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(layers->getAt(u"0", layer, AcDb::kForWrite), Acad::eOk);
    layers->close();
    layer->setIsLocked(true);
    layer->close();
    acDocManager->unlockDocument(doc);
    user.ExpectMessageBox(u"Wproc Update ICon ErrorCode:")
        .ExpectMessageBox(u"Wproc Update ICon ErrorCode:")
        .ExpectMessageBox(u"Wproc Update ICon ErrorCode:");
    GetToolBarWnd()->SendMessage(WM_TARN_RESIZE_ICONS);
    EXPECT_DOUBLE_EQ(Width(iconIds[0]), 33.0);
}

TEST_F(ToolBarTest, ManyIconsShowTheMeterAtEveryTenth) {
    Load();
    AcDbObjectId capture;
    AddImages(149, capture);  // 150 images with the captured map
    platform::ClearStatusBarEvents();
    g_Settings.m_nIconSize = 30;
    GetToolBarWnd()->SendMessage(WM_TARN_RESIZE_ICONS);
    std::vector<int> positions;
    int meters = 0;
    int restores = 0;
    for (const platform::StatusBarEvent& e : platform::StatusBarEvents()) {
        if (e.kind == platform::StatusBarEvent::kMeter) {
            ++meters;
            EXPECT_EQ(e.label, u"调整图标大小");
            EXPECT_EQ(e.maxPos, 150);
        } else if (e.kind == platform::StatusBarEvent::kPos) {
            positions.push_back(e.pos);
        } else {
            ++restores;
        }
    }
    EXPECT_EQ(meters, 1);
    EXPECT_EQ(restores, 1);
    std::vector<int> expected;
    for (int p = 0; p < 150; p += 10) {
        expected.push_back(p);
    }
    EXPECT_EQ(positions, expected);
    EXPECT_DOUBLE_EQ(Width(iconIds.back()), 30.0);
    EXPECT_DOUBLE_EQ(Width(capture), 500.0);

    // A hundred images or fewer: no meter.
    platform::ClearStatusBarEvents();
    ASSERT_EQ(acDocManager->lockDocument(doc, AcAp::kWrite), Acad::eOk);
    for (size_t i = 0; i < 60; ++i) {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, iconIds[i], AcDb::kForWrite), Acad::eOk);
        entity->erase();
        entity->close();
    }
    acDocManager->unlockDocument(doc);
    GetToolBarWnd()->SendMessage(WM_TARN_RESIZE_ICONS);
    EXPECT_TRUE(platform::StatusBarEvents().empty());
}

TEST_F(ToolBarTest, AssociatedPointsClearThePendingCheckAskTheStateAndShowTheDialogOnce) {
    platform::DialogTemplate coor;
    coor.caption = u"设置关联点";
    coor.controls = {{.id = 8107, .kind = platform::ControlKind::Label}};
    platform::RegisterDialogResource(8115, coor);
    Load();
    std::array<uint8_t, 16> digest{};
    digest[0] = 7;
    map.SetCoordState(4, digest, "Xian 80");
    g_MapAppState.m_bCheckPending = 1;
    const size_t asked = map.RequestsOf(20202).size();

    EXPECT_TRUE(Press(ID_TARN_SET_COOR));
    EXPECT_EQ(g_MapAppState.m_bCheckPending, 0);
    EXPECT_EQ(map.RequestsOf(20202).size(), asked + 1);
    ASSERT_NE(g_pSetCoorDlg, nullptr);
    EXPECT_TRUE(g_pSetCoorDlg->IsWindowVisible());
    CString info;
    g_pSetCoorDlg->GetDlgItemText(8107, info);
    EXPECT_EQ(info, CString(u"当前Zavrel地图系统坐信息：\r\nXian 80"));

    CSetCoorDlg* first = g_pSetCoorDlg;
    g_pSetCoorDlg->ShowWindow(SW_HIDE);
    EXPECT_TRUE(Press(ID_TARN_SET_COOR));
    EXPECT_EQ(g_pSetCoorDlg, first);
    EXPECT_TRUE(g_pSetCoorDlg->IsWindowVisible());

    // Without the map application the dialog is not shown.
    g_pSetCoorDlg->ShowWindow(SW_HIDE);
    map.Stop();
    user.ExpectMessageBox(u"您尚未打开Zavrel地图");
    EXPECT_TRUE(Press(ID_TARN_SET_COOR));
    EXPECT_FALSE(g_pSetCoorDlg->IsWindowVisible());
}

TEST_F(ToolBarTest, PickEntityTakesTheLastPickFirstEntityOrAsksForOne) {
    Load();
    user.ExpectInput("EntSel", u"请选择一个实体：", platform::InputAnswer::Cancelled());
    GetToolBarWnd()->SendMessage(WM_COMMAND, ID_TARN_PICK_ENTITY);
}

TEST(ToolBarGeometry, PolygonOrientationCountsTheTurns) {
    AcGePoint3dArray points;
    EXPECT_EQ(PolygonOrientation(points), 0);
    points.append(AcGePoint3d(0, 0, 0));
    points.append(AcGePoint3d(1, 0, 0));
    EXPECT_EQ(PolygonOrientation(points), 0);
    points.append(AcGePoint3d(1, 1, 0));
    points.append(AcGePoint3d(0, 1, 0));
    EXPECT_EQ(PolygonOrientation(points), -1);  // counter-clockwise: left turns
    points.reverse();
    EXPECT_EQ(PolygonOrientation(points), 1);
    // A concave corner still loses to three convex ones.
    AcGePoint3dArray arrow;
    for (auto [x, y] : {std::pair{0.0, 0.0}, {2.0, 1.0}, {0.0, 2.0}, {1.0, 1.0}}) {
        arrow.append(AcGePoint3d(x, y, 0));
    }
    EXPECT_EQ(PolygonOrientation(arrow), -1);
}

TEST_F(ToolBarTest, TheResizeMeterShowsFromTheHundredAndFirstImage) {
    Load();
    AcDbObjectId capture;
    AddImages(99, capture);  // 100 images with the captured map
    g_Settings.m_nIconSize = 30;
    platform::ClearStatusBarEvents();
    GetToolBarWnd()->SendMessage(WM_TARN_RESIZE_ICONS);
    EXPECT_TRUE(platform::StatusBarEvents().empty());
    EXPECT_DOUBLE_EQ(Width(iconIds.back()), 30.0);

    AddImages(0, capture);  // one more captured map: 101 images
    g_Settings.m_nIconSize = 40;
    platform::ClearStatusBarEvents();
    GetToolBarWnd()->SendMessage(WM_TARN_RESIZE_ICONS);
    ASSERT_FALSE(platform::StatusBarEvents().empty());
    EXPECT_EQ(platform::StatusBarEvents().front().kind, platform::StatusBarEvent::kMeter);
    EXPECT_EQ(platform::StatusBarEvents().front().maxPos, 101);
    EXPECT_DOUBLE_EQ(Width(iconIds.back()), 40.0);
}

}  // namespace
