// A hatch sent from its loops: which loops are the outline and which are holes, by the bits of each loop's
// type, in polyline and in edge form; islands without an outline.
#include <cstdlib>
#include <vector>

#include "link_fixture.h"
#include "plugin/exchange/EntityConvert.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/maplink/mapobj.h"
#include "plugin/maplink/mapwire.h"
#include "receive_fixture.h"

namespace {

using receivetest::ReceiveTest;

constexpr size_t kFirstRecord = sizeof(MapPacketHead) + sizeof(MapObjHeader);
constexpr double kSpacing = 100;  // loop i is the square of side 10 at x = 100 i
constexpr INT32 kPartMarker = 0x10000;

enum class Role { kOutline, kHole, kLeftOut };

struct LoopCase {
    Adesk::Int32 type;
    bool polyline;  // a polyline loop (its type also carries the polyline bit) or an edge loop of lines
    Role role;
};

// The loops of one sent shape, each as the index of the square it came from (its points checked to be that
// square's corners); the number of outline rings the shape declares.
struct SentShape {
    std::vector<int> rings;
    int outline = -1;
};

class HatchLoopTest : public ReceiveTest {
protected:
    // Loop i: the square at (100 i, 0) of side 10, as vertices or as four lines in the drawing.
    void AddLoop(AcDbHatch& hatch, int i, const LoopCase& loop) {
        const double x = kSpacing * i;
        const AcGePoint2d corners[] = {{x, 0}, {x + 10, 0}, {x + 10, 10}, {x, 10}};
        if (loop.polyline) {
            AcGePoint2dArray vertices;
            for (const AcGePoint2d& c : corners) {
                vertices.append(c);
            }
            ASSERT_EQ(hatch.appendLoop(loop.type, vertices, AcGeDoubleArray()), Acad::eOk) << i;
            return;
        }
        AcDbObjectIdArray ids;
        for (int k = 0; k < 4; ++k) {
            const AcGePoint2d a = corners[k];
            const AcGePoint2d b = corners[(k + 1) % 4];
            ids.append(linktest::IdOf(doc, linktest::Append(doc, new AcDbLine(AcGePoint3d(a.x, a.y, 0),
                                                                              AcGePoint3d(b.x, b.y, 0)))));
        }
        linktest::DocLock lock(doc);
        ASSERT_EQ(hatch.appendLoop(loop.type, ids), Acad::eOk) << i;
    }

    // Converts the hatch's loops; nullopt-like empty result (outline -1) when nothing was written.
    SentShape Convert(AcDbHatch& hatch) {
        MapApiBuf packet{};
        EXPECT_TRUE(StartMapPacket(&packet, 0));
        const DWORD start = packet.m_nUsed;
        CBindingRecord binding;
        const uint8_t result = ConvertHatchLoops(&hatch, &packet, &binding);
        SentShape sent;
        if (result == 0) {
            EXPECT_EQ(packet.m_nUsed, start);
            std::free(packet.m_pData);
            return sent;
        }
        const auto head = ReadWire<MapObjHeader>(packet.m_pData, sizeof(MapPacketHead));
        EXPECT_EQ(head.m_nType, DWORD(kMapTypeShape));
        MapShapeObj* shape =
            MapApiParseShape(&g_MapApiLink, packet.m_pData + kFirstRecord, DWORD(head.m_nSize));
        EXPECT_NE(shape, nullptr);
        if (shape != nullptr) {
            sent.outline = shape->m_nHatchCount;
            std::vector<std::vector<AcGePoint2d>> rings;
            for (int i = 0; i < shape->m_nCount; ++i) {
                const MapObjPoint& p = shape->m_pPoints[i];
                if (i == 0 || p.m_nHeight == kPartMarker) {
                    rings.emplace_back();
                } else {
                    EXPECT_EQ(p.m_nHeight, 0) << i;
                }
                rings.back().emplace_back(p.m_dX, p.m_dY);
            }
            for (const auto& ring : rings) {
                const int index = static_cast<int>(ring.front().x / kSpacing);
                sent.rings.push_back(index);
                // Four corners of that square, each once.
                EXPECT_EQ(ring.size(), 4u) << index;
                const double x = kSpacing * index;
                for (const AcGePoint2d& c : {AcGePoint2d(x, 0), AcGePoint2d(x + 10, 0),
                                             AcGePoint2d(x + 10, 10), AcGePoint2d(x, 10)}) {
                    EXPECT_EQ(std::count(ring.begin(), ring.end(), c), 1) << index;
                }
            }
            MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
        }
        std::free(packet.m_pData);
        return sent;
    }

    // Builds a hatch of the loops and converts it.
    SentShape Send(const std::vector<LoopCase>& loops) {
        AcDbHatch hatch;
        for (size_t i = 0; i < loops.size(); ++i) {
            AddLoop(hatch, static_cast<int>(i), loops[i]);
        }
        return Convert(hatch);
    }
    // What should come out: the outline loops in order, then the holes in order; the outline count.
    static SentShape Expected(const std::vector<LoopCase>& loops) {
        SentShape expected;
        expected.outline = 0;
        for (size_t i = 0; i < loops.size(); ++i) {
            if (loops[i].role == Role::kOutline) {
                expected.rings.push_back(static_cast<int>(i));
                ++expected.outline;
            }
        }
        for (size_t i = 0; i < loops.size(); ++i) {
            if (loops[i].role == Role::kHole) {
                expected.rings.push_back(static_cast<int>(i));
            }
        }
        return expected;
    }
};

constexpr Adesk::Int32 kExternal = AcDbHatch::kExternal;
constexpr Adesk::Int32 kDerived = AcDbHatch::kDerived;
constexpr Adesk::Int32 kOutermost = AcDbHatch::kOutermost;

TEST_F(HatchLoopTest, AnIslandWithoutTheExternalBitIsAHoleWhateverElseItsTypeSays) {
    // Every combination of the external, derived and outermost bits, in both forms. An edge loop with
    // neither the external nor the outermost bit is no boundary at all.
    const std::vector<LoopCase> loops = {
        {0, true, Role::kOutline},
        {kExternal, true, Role::kOutline},
        {kDerived, true, Role::kOutline},
        {kExternal | kDerived, true, Role::kOutline},
        {kOutermost, true, Role::kHole},
        {kOutermost | kDerived, true, Role::kHole},
        {kOutermost | kExternal, true, Role::kOutline},
        {kOutermost | kExternal | kDerived, true, Role::kOutline},
        {0, false, Role::kLeftOut},
        {kExternal, false, Role::kOutline},
        {kDerived, false, Role::kLeftOut},
        {kExternal | kDerived, false, Role::kOutline},
        {kOutermost, false, Role::kHole},
        {kOutermost | kDerived, false, Role::kHole},
        {kOutermost | kExternal, false, Role::kOutline},
        {kOutermost | kExternal | kDerived, false, Role::kOutline},
    };
    const SentShape sent = Send(loops);
    const SentShape expected = Expected(loops);
    EXPECT_EQ(sent.rings, expected.rings);
    EXPECT_EQ(sent.outline, expected.outline);
    EXPECT_EQ(expected.outline, 10);  // the table's own count, as a check of the table

    // One outline and one island of either form: outline first, the hole after it.
    for (bool polyline : {true, false}) {
        SCOPED_TRACE(polyline);
        const SentShape pair =
            Send({{kOutermost | kDerived, polyline, Role::kHole}, {kExternal, polyline, Role::kOutline}});
        EXPECT_EQ(pair.rings, (std::vector<int>{1, 0}));
        EXPECT_EQ(pair.outline, 1);
    }
}

TEST_F(HatchLoopTest, IslandsAloneAreTheOutlineAndLoopsThatAreNoBoundarySendNothing) {
    // Islands without any outline: they are the shape's outline themselves, counted as such, in order.
    for (bool polyline : {true, false}) {
        SCOPED_TRACE(polyline);
        const SentShape islands =
            Send({{kOutermost, polyline, Role::kHole}, {kOutermost | kDerived, polyline, Role::kHole}});
        EXPECT_EQ(islands.rings, (std::vector<int>{0, 1}));
        EXPECT_EQ(islands.outline, 2);
    }
    // An edge loop that is neither external nor outermost beside an island: the island alone, as outline.
    const SentShape one = Send({{kDerived, false, Role::kLeftOut}, {kOutermost, false, Role::kHole}});
    EXPECT_EQ(one.rings, (std::vector<int>{1}));
    EXPECT_EQ(one.outline, 1);

    // Nothing usable: no shape, nothing written.
    const SentShape none = Send({{0, false, Role::kLeftOut}, {kDerived, false, Role::kLeftOut}});
    EXPECT_TRUE(none.rings.empty());
    EXPECT_EQ(none.outline, -1);
    AcDbHatch empty;
    EXPECT_EQ(Convert(empty).outline, -1);
}

}  // namespace
