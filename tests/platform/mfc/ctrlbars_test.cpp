// Frames, toolbars, image lists and bitmaps of the stand-in: clicks reach the owner, the idle update greys
// what nothing handles, docking follows both sides' styles, bars leave their frame when they go.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "platform/mfc/afxwin.h"
#include "platform/win32/core/modres.h"

namespace {

constexpr UINT kCmdSend = 40100;
constexpr UINT kCmdOther = 40101;
constexpr UINT kStripBitmap = 9101;  // two 24 x 24 images side by side
constexpr UINT kShortBitmap = 9102;  // its pixels cut off
constexpr UINT kWrongDepth = 9103;   // 8 bits a pixel

// A bottom-up BMP file of width x 24 pixels at the depth, all zero pixels.
template <int Width, int Bits>
constexpr std::array<unsigned char, 54 + Width * 24 * Bits / 8> MakeBmp() {
    std::array<unsigned char, 54 + Width * 24 * Bits / 8> b{};
    auto put = [&b](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            b[at + size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
        }
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, uint32_t(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, Width, 4);
    put(22, 24, 4);
    put(26, 1, 2);
    put(28, Bits, 2);
    return b;
}

constexpr auto kStrip = MakeBmp<48, 32>();
constexpr auto kEight = MakeBmp<24, 8>();
const char16_t kTipSend[] = u"Send\nSend the selection";

}  // namespace

TARN_RESOURCE(TARN_RT_BITMAP, kStripBitmap, kStrip.data(), kStrip.size());
TARN_RESOURCE(TARN_RT_BITMAP, kShortBitmap, kStrip.data(), kStrip.size() - 100);
TARN_RESOURCE(TARN_RT_BITMAP, kWrongDepth, kEight.data(), kEight.size());
TARN_RESOURCE(TARN_RT_STRING, kCmdSend, kTipSend, sizeof kTipSend);

namespace {

class COwnerWnd : public CWnd {
public:
    int sends = 0;
    void OnSend() { ++sends; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COwnerWnd, CWnd)
ON_COMMAND(kCmdSend, &COwnerWnd::OnSend)
END_MESSAGE_MAP()

class ControlBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(frame.CreateEx(0, nullptr, u"frame", WS_VISIBLE, RECT{0, 0, 800, 600}, nullptr, 0));
        ASSERT_TRUE(owner.Create(nullptr, u"", WS_CHILD, RECT{0, 0, 1, 1}, &frame, 7));
        ASSERT_TRUE(bar.CreateEx(&frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS));
        bar.SetOwner(&owner);
        const UINT ids[] = {kCmdSend, 0, kCmdOther};
        ASSERT_TRUE(bar.SetButtons(ids, 3));
    }

    CFrameWnd frame;
    COwnerWnd owner;
    CToolBar bar;
};

TEST_F(ControlBarTest, AClickIsACommandToTheOwnerWhileTheButtonCanBePressed) {
    ASSERT_EQ(frame.m_listControlBars.size(), 1u);
    EXPECT_EQ(bar.GetDockingFrame(), &frame);
    EXPECT_EQ(bar.GetBarStyle() & CBRS_TOOLTIPS, DWORD(CBRS_TOOLTIPS));
    EXPECT_EQ(bar.GetItemID(1), 0u);
    EXPECT_EQ(bar.GetButtonStyle(1), UINT(TBBS_SEPARATOR));
    EXPECT_EQ(bar.CommandToIndex(kCmdOther), 2);
    UINT id = 0;
    UINT style = 0;
    int image = 0;
    bar.GetButtonInfo(2, id, style, image);
    EXPECT_EQ(image, 1);  // separators take no image
    EXPECT_THROW(bar.GetButtonInfo(3, id, style, image), std::logic_error);
    EXPECT_EQ(platform::ToolBarButtonTip(&bar, 0), u"Send\nSend the selection");
    EXPECT_EQ(platform::ToolBarButtonTip(&bar, 2), u"");

    EXPECT_TRUE(platform::PressToolBarButton(&bar, kCmdSend));
    EXPECT_EQ(owner.sends, 1);
    EXPECT_FALSE(platform::PressToolBarButton(&bar, 0));
    EXPECT_FALSE(platform::PressToolBarButton(&bar, 40999));

    // The frame handles neither command: its idle update greys both; without disabling nothing is grey.
    platform::UpdateFrameControlBars(&frame);
    EXPECT_NE(bar.GetButtonStyle(0) & TBBS_DISABLED, 0u);
    EXPECT_FALSE(platform::PressToolBarButton(&bar, kCmdSend));
    bar.OnUpdateCmdUI(&frame, FALSE);
    EXPECT_EQ(bar.GetButtonStyle(0) & TBBS_DISABLED, 0u);
    bar.OnUpdateCmdUI(nullptr, TRUE);
    EXPECT_NE(bar.GetButtonStyle(2) & TBBS_DISABLED, 0u);
    bar.OnUpdateCmdUI(nullptr, FALSE);

    frame.ShowControlBar(&bar, FALSE, TRUE);
    EXPECT_FALSE(bar.IsVisible());
    EXPECT_FALSE(platform::PressToolBarButton(&bar, kCmdSend));
    frame.ShowControlBar(&bar, TRUE, TRUE);
    EXPECT_TRUE(platform::PressToolBarButton(&bar, kCmdSend));
    EXPECT_EQ(owner.sends, 2);
}

TEST_F(ControlBarTest, DockingNeedsBothSidesAndFloatingNeedsADockableBar) {
    EXPECT_THROW(frame.FloatControlBar(&bar, POINT{10, 10}), std::logic_error);
    bar.EnableDocking(CBRS_ALIGN_ANY);
    frame.EnableDocking(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    frame.FloatControlBar(&bar, POINT{10, 20}, CBRS_ALIGN_TOP);
    EXPECT_TRUE(bar.IsFloating());
    EXPECT_EQ(bar.m_ptFloat.y, 20);
    frame.DockControlBar(&bar, AFX_IDW_DOCKBAR_LEFT);  // the frame has no left dock
    EXPECT_TRUE(bar.IsFloating());
    frame.DockControlBar(&bar, AFX_IDW_DOCKBAR_BOTTOM);
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(bar.m_nDockBarId, UINT(AFX_IDW_DOCKBAR_BOTTOM));
    EXPECT_EQ(bar.GetBarStyle() & CBRS_ALIGN_ANY, DWORD(CBRS_ALIGN_BOTTOM));
    frame.DockControlBar(&bar);  // the first side both allow
    EXPECT_EQ(bar.m_nDockBarId, UINT(AFX_IDW_DOCKBAR_TOP));
}

TEST_F(ControlBarTest, ABarLeavesItsFrameWhenItGoesAndOutlivesItsFrameSafely) {
    auto* second = new CToolBar;
    ASSERT_TRUE(second->CreateEx(&frame));
    EXPECT_EQ(frame.m_listControlBars.size(), 2u);
    delete second;
    EXPECT_EQ(frame.m_listControlBars.size(), 1u);
    bar.DestroyWindow();
    EXPECT_TRUE(frame.m_listControlBars.empty());
    EXPECT_EQ(bar.GetDockingFrame(), nullptr);
    EXPECT_FALSE(platform::PressToolBarButton(&bar, kCmdSend));

    auto* orphan = new CToolBar;
    {
        CFrameWnd shortLived;
        ASSERT_TRUE(shortLived.CreateEx(0, nullptr, u"", 0, RECT{0, 0, 10, 10}, nullptr, 0));
        ASSERT_TRUE(orphan->CreateEx(&shortLived));
    }
    EXPECT_EQ(orphan->GetDockingFrame(), nullptr);
    delete orphan;
}

TEST(ImageList, BitmapsAddAsManyImagesAsFitAndBadOnesNone) {
    CImageList list;
    CBitmap strip;
    EXPECT_EQ(list.Add(&strip, nullptr), -1);  // not created
    ASSERT_TRUE(list.Create(24, 24, ILC_COLOR32 | ILC_MASK, 1, 1));
    EXPECT_FALSE(list.Create(24, 24, ILC_COLOR32, 1, 1));
    EXPECT_EQ(list.Add(&strip, nullptr), -1);  // not loaded
    ASSERT_TRUE(strip.LoadBitmap(kStripBitmap));
    BITMAP info{};
    ASSERT_NE(strip.GetBitmap(&info), 0);
    EXPECT_EQ(info.bmWidth, 48);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(list.Add(&strip, nullptr), 0);
    EXPECT_EQ(list.Add(&strip, nullptr), 2);
    EXPECT_EQ(list.GetImageCount(), 4);
    EXPECT_EQ(list.m_images, (std::vector<UINT>{kStripBitmap, kStripBitmap, kStripBitmap, kStripBitmap}));

    CBitmap bad;
    EXPECT_FALSE(bad.LoadBitmap(kShortBitmap));
    EXPECT_FALSE(bad.LoadBitmap(kWrongDepth));
    EXPECT_FALSE(bad.LoadBitmap(9199));
    CImageList small;
    ASSERT_TRUE(small.Create(16, 16, ILC_COLOR32, 1, 1));
    EXPECT_EQ(small.Add(&strip, nullptr), -1);  // 24 high
    int cx = 0;
    int cy = 0;
    EXPECT_TRUE(small.GetImageSize(cx, cy));
    EXPECT_EQ(cx, 16);
}

}  // namespace
