// Send, then receive the same objects back: each entity is replaced by one built from its map object, on its
// layer, with its geometry within the map's tolerance, and nothing is deleted in the map application.
#include <cmath>

#include "../exchange/link_fixture.h"
#include "host_fixture.h"

namespace {

using linktest::Append;
using platform::CommandOutcome;

constexpr double kTolerance = 1e-6;

class RoundTripTest : public e2e::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::string error;
        ASSERT_EQ(Run("SAVEAS", {dir + "/site.dxf"}), CommandOutcome::kEnded);
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    }
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        EXPECT_TRUE(platform::LockViolations().empty());
        HostTest::TearDown();
    }
    AcDbObjectId IdOf(uint64_t handle) { return linktest::IdOf(host.Document(), handle); }
    // The one live entity of the class on the layer.
    template <class T>
    T* OpenOnly(const char16_t* layer) {
        T* found = nullptr;
        for (AcDbObjectId id : Entities()) {
            AcDbEntity* entity = nullptr;
            if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
                continue;
            }
            T* typed = T::cast(entity);
            if (typed != nullptr && std::u16string(entity->layer().kACharPtr()) == layer &&
                found == nullptr) {
                found = typed;
            } else {
                entity->close();
            }
        }
        return found;
    }
};

TEST_F(RoundTripTest, SentEntitiesComeBackInPlace) {
    AcApDocument* doc = host.Document();
    auto* poly = new AcDbPolyline(3);
    poly->addVertexAt(0, AcGePoint2d(0, 0), 0.5, 0, 0);
    poly->addVertexAt(1, AcGePoint2d(30, 0), 0, 0, 0);
    poly->addVertexAt(2, AcGePoint2d(30, 20), 0, 0, 0);
    const std::vector<uint64_t> handles = {
        Append(doc, new AcDbLine(AcGePoint3d(5, 5, 0), AcGePoint3d(105, 55, 0)), u"L"),
        Append(doc, new AcDbCircle(AcGePoint3d(20, 20, 0), AcGeVector3d::kZAxis, 5), u"C"),
        Append(doc, new AcDbArc(AcGePoint3d(50, 50, 0), 10, 0.5, 2.0), u"A"),
        Append(doc, poly, u"P"),
        Append(doc, new AcDbText(AcGePoint3d(40, 10, 0), u"站点", AcDbObjectId(), 2.5, 0.0), u"T"),
        Append(doc, new AcDbEllipse(AcGePoint3d(70, 10, 0), AcGeVector3d::kZAxis, AcGeVector3d(8, 0, 0), 0.5),
               u"E"),
    };
    std::vector<AcDbObjectId> ids;
    for (uint64_t handle : handles) {
        ids.push_back(IdOf(handle));
    }
    platform::SetPickFirst(ids);
    ASSERT_EQ(Run("TOOLBAR 发送"), CommandOutcome::kEnded) << Printed();
    std::vector<uint32_t> sent;
    for (const auto& [id, object] : host.MapSim().Objects()) {
        sent.push_back(id);
    }
    ASSERT_EQ(sent.size(), handles.size());

    host.MapSim().ClearRecords();
    host.MapSim().Select(sent);
    ASSERT_EQ(Run("MAPSIM SENDTOCAD"), CommandOutcome::kEnded);
    host.Wait(100);
    EXPECT_TRUE(host.MapSim().RequestsOf(20103).empty());
    EXPECT_EQ(Entities().size(), handles.size());
    for (AcDbObjectId old : ids) {
        EXPECT_TRUE(old.isErased());
    }

    // A line comes back as a two-point polyline.
    AcDbPolyline* line = OpenOnly<AcDbPolyline>(u"L");
    ASSERT_NE(line, nullptr);
    AcGePoint2d p;
    ASSERT_EQ(line->numVerts(), 2u);
    line->getPointAt(1, p);
    EXPECT_NEAR(p.x, 105, kTolerance);
    EXPECT_NEAR(p.y, 55, kTolerance);
    line->close();
    AcDbCircle* circle = OpenOnly<AcDbCircle>(u"C");
    ASSERT_NE(circle, nullptr);
    EXPECT_NEAR(circle->radius(), 5, kTolerance);
    EXPECT_NEAR(circle->center().distanceTo(AcGePoint3d(20, 20, 0)), 0, kTolerance);
    circle->close();
    AcDbArc* arc = OpenOnly<AcDbArc>(u"A");
    ASSERT_NE(arc, nullptr);
    EXPECT_NEAR(arc->radius(), 10, kTolerance);
    EXPECT_NEAR(arc->startAngle(), 0.5, 1e-5);
    EXPECT_NEAR(arc->endAngle(), 2.0, 1e-5);
    arc->close();
    AcDbPolyline* back = OpenOnly<AcDbPolyline>(u"P");
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->numVerts(), 3u);
    double bulge = 0;
    back->getBulgeAt(0, bulge);
    EXPECT_NEAR(bulge, 0.5, kTolerance);
    back->close();
    AcDbText* text = OpenOnly<AcDbText>(u"T");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text->textStringConst()), u"站点");
    EXPECT_NEAR(text->height(), 2.5, kTolerance);
    EXPECT_NEAR(text->position().distanceTo(AcGePoint3d(40, 10, 0)), 0, kTolerance);
    text->close();
    AcDbEllipse* ellipse = OpenOnly<AcDbEllipse>(u"E");
    ASSERT_NE(ellipse, nullptr);
    EXPECT_NEAR(ellipse->majorAxis().length(), 8, kTolerance);
    EXPECT_NEAR(ellipse->radiusRatio(), 0.5, kTolerance);
    EXPECT_NEAR(ellipse->endAngle() - ellipse->startAngle(), 2 * 3.141592653589793, 1e-6);
    ellipse->close();
}

}  // namespace
