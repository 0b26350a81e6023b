// Map-object records: defaults, wire forms read back at their offsets, parsers and their refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"

namespace {

using Bytes = std::vector<BYTE>;

template <class T>
T At(const Bytes& b, size_t offset) {
    T v{};
    EXPECT_LE(offset + sizeof(T), b.size());
    if (offset + sizeof(T) <= b.size()) {
        std::memcpy(&v, b.data() + offset, sizeof v);
    }
    return v;
}

template <class T>
void PutAt(Bytes& b, size_t offset, T v) {
    std::memcpy(b.data() + offset, &v, sizeof v);
}

Bytes Wire(const void* obj, int type) {
    DWORD size = 0;
    BYTE* p = MapApiSerializeObj(&g_MapApiLink, obj, type, &size);
    if (p == nullptr) {
        return {};
    }
    Bytes out(p, p + size);
    std::free(p);
    return out;
}

struct Freer {
    int type;
    void operator()(void* p) const { MapApiFreeObj(&g_MapApiLink, p, type); }
};
template <class T>
using Owned = std::unique_ptr<T, Freer>;

MapTrackObj* MakeTrack(const char* text, int points) {
    MapTrackObj* t = MapApiNewTrack(&g_MapApiLink);
    std::strcpy(t->m_szName, "Track_03_14_09_05_07");
    t->m_pText = MapApiStrDup(text);
    t->m_nCount = points;
    t->m_byCoordKind = 2;
    if (points > 0) {
        t->m_pPoints = static_cast<MapObjPoint*>(std::calloc(size_t(points), sizeof(MapObjPoint)));
        for (int i = 0; i < points; ++i) {
            t->m_pPoints[i].m_dY = 3000000.0 + i;
            t->m_pPoints[i].m_dX = 500000.0 - i;
            t->m_pPoints[i].m_nHeight = i == 1 ? int(kMultiPartFlag) : i;
            t->m_pPoints[i].m_dBulge = 0.25 * i;
        }
    }
    return t;
}

MapMultiObj* MakeMulti(const std::vector<int>& itemCounts, const char* text) {
    MapMultiObj* m = MapApiNewMulti(&g_MapApiLink);
    std::strcpy(m->m_szName, "multi");
    m->m_pText = MapApiStrDup(text);
    m->m_nPartCount = int(itemCounts.size());
    m->m_pParts = static_cast<MapMultiPart*>(std::calloc(itemCounts.size(), sizeof(MapMultiPart)));
    for (size_t p = 0; p < itemCounts.size(); ++p) {
        MapMultiPart& part = m->m_pParts[p];
        part.m_data[0] = BYTE(p + 1);
        part.m_data[1415] = 0xAB;
        part.m_nItemCount = itemCounts[p];
        if (itemCounts[p] > 0) {
            part.m_pItems =
                static_cast<MapMultiItem*>(std::calloc(size_t(itemCounts[p]), sizeof(MapMultiItem)));
            for (int i = 0; i < itemCounts[p]; ++i) {
                part.m_pItems[i] = {double(p * 100 + i), -double(i)};
            }
        }
    }
    return m;
}

TEST(MapObjRecords, AllocationSetsTheDefaultsAndTheHeaderMarker) {
    Owned<MapFolderObj> folder(MapApiNewFolder(&g_MapApiLink), {kMapTypeFolder});
    const Bytes fw = Wire(folder.get(), kMapTypeFolder);
    ASSERT_EQ(fw.size(), 176u);
    for (size_t i = 0; i < fw.size(); ++i) {
        EXPECT_EQ(fw[i], i == 111 ? 1 : 0) << i;
    }

    Owned<MapTrackObj> track(MapApiNewTrack(&g_MapApiLink), {kMapTypeTrack});
    const Bytes tw = Wire(track.get(), kMapTypeTrack);
    ASSERT_EQ(tw.size(), 208u);  // no text, no points: H = Round8(204)
    EXPECT_EQ(At<DWORD>(tw, 144), 0xFF0000u);
    EXPECT_EQ(At<DWORD>(tw, 148), 3u);
    EXPECT_EQ(tw[152], 50);
    EXPECT_EQ(At<DWORD>(tw, 200), 0u);

    Owned<MapShapeObj> shape(MapApiNewShape(&g_MapApiLink), {kMapTypeShape});
    const Bytes sw = Wire(shape.get(), kMapTypeShape);
    EXPECT_EQ(sw[144], 1);
    EXPECT_EQ(sw[145], 50);
    EXPECT_EQ(sw[146], 50);
    EXPECT_EQ(At<DWORD>(sw, 152), 0xFF0000u);
    EXPECT_EQ(At<DWORD>(sw, 156), 0xFF0000u);

    Owned<MapMultiObj> multi(MapApiNewMulti(&g_MapApiLink), {kMapTypeMulti});
    const Bytes mw = Wire(multi.get(), kMapTypeMulti);
    ASSERT_EQ(mw.size(), 488u);
    EXPECT_EQ(mw[425], 7);
    EXPECT_EQ(mw[426], 60);
    EXPECT_EQ(At<DWORD>(mw, 428), 255u);

    MapApiMsgHeader* msg = MapApiAllocMsg(8);
    ASSERT_NE(msg, nullptr);
    const BYTE* raw = reinterpret_cast<const BYTE*>(msg);
    EXPECT_EQ(raw[0], 101);
    EXPECT_EQ(raw[1], 0);
    for (int i = 2; i < 24; ++i) {
        EXPECT_EQ(raw[i], 0) << i;
    }
    std::free(msg);
    EXPECT_EQ(MapApiAllocMsg(-1), nullptr);
    EXPECT_EQ(MapApiCalloc(-5), nullptr);
}

TEST(MapObjRecords, MarkWireFormHoldsEveryFieldAtItsOffset) {
    Owned<MapMarkObj> mark(MapApiNewMarker(&g_MapApiLink), {kMapTypeMark});
    std::strcpy(mark->m_szName, "Sign_1");
    mark->m_dY = 3.5e6;
    mark->m_dX = 4.5e5;
    mark->m_byCoordKind = 2;
    mark->m_nHeight = -12;
    mark->m_nIcon = 4;
    mark->m_crIcon = 0x123456;
    mark->m_byStyle = 3;
    mark->m_byIsText = 1;
    mark->m_byOpacity = 70;
    mark->m_byLabelLevel = 20;
    mark->m_nFontSize = 22;
    mark->m_crLabel = 0xABCDEF;
    mark->m_fRotation = 45.5f;

    Bytes w = Wire(mark.get(), kMapTypeMark);
    ASSERT_EQ(w.size(), 420u);  // no text: no padding, L = 0
    EXPECT_STREQ(reinterpret_cast<const char*>(w.data()), "Sign_1");
    EXPECT_EQ(At<double>(w, 112), 3.5e6);
    EXPECT_EQ(At<double>(w, 120), 4.5e5);
    EXPECT_EQ(w[128], 2);
    EXPECT_EQ(At<INT32>(w, 132), -12);
    EXPECT_EQ(At<DWORD>(w, 144), 4u);
    EXPECT_EQ(At<DWORD>(w, 148), 0x123456u);
    EXPECT_EQ(w[153], 3);
    EXPECT_EQ(w[260], 1);
    EXPECT_EQ(w[262], 70);
    EXPECT_EQ(w[265], 20);
    EXPECT_EQ(At<DWORD>(w, 268), 22u);
    EXPECT_EQ(At<DWORD>(w, 272), 0xABCDEFu);
    EXPECT_EQ(At<float>(w, 280), 45.5f);
    EXPECT_EQ(At<DWORD>(w, 416), 0u);

    Owned<MapMarkObj> back(MapApiParseMarker(&g_MapApiLink, w.data(), DWORD(w.size())), {kMapTypeMark});
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_pText, nullptr);
    EXPECT_EQ(back->m_fRotation, 45.5f);

    // With a text: 420 + L, and the in-memory pointer never reaches the wire.
    mark->m_pText = MapApiStrDup("备注 remark");
    w = Wire(mark.get(), kMapTypeMark);
    const DWORD L = DWORD(std::strlen(mark->m_pText));
    ASSERT_EQ(w.size(), 420u + L);
    EXPECT_EQ(At<DWORD>(w, 416), L);
    EXPECT_EQ(At<uint64_t>(w, 104), 0u);
    back.reset(MapApiParseMarker(&g_MapApiLink, w.data(), DWORD(w.size())));
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->m_pText, "备注 remark");

    EXPECT_EQ(MapApiParseMarker(&g_MapApiLink, w.data(), DWORD(w.size() - 1)), nullptr);
    w.push_back(0);
    EXPECT_EQ(MapApiParseMarker(&g_MapApiLink, w.data(), DWORD(w.size())), nullptr);
    // A length that wraps 32-bit arithmetic must not pass.
    Bytes huge(420, 0);
    PutAt<DWORD>(huge, 416, 0xFFFFFFF0u);
    EXPECT_EQ(MapApiParseMarker(&g_MapApiLink, huge.data(), DWORD(huge.size())), nullptr);
    EXPECT_EQ(MapApiParseMarker(&g_MapApiLink, huge.data(), 419), nullptr);
}

TEST(MapObjRecords, TrackWithFiveByteTextPadsToH216AndRefusesOtherLengths) {
    Owned<MapTrackObj> track(MakeTrack("hello", 3), {kMapTypeTrack});
    track->m_byGeomKind = 9;
    track->m_byLineStyle = 5;
    const Bytes w = Wire(track.get(), kMapTypeTrack);
    ASSERT_EQ(w.size(), 360u);
    EXPECT_EQ(At<DWORD>(w, 200), 5u);
    EXPECT_EQ(std::memcmp(w.data() + 204, "hello", 5), 0);
    for (size_t i = 209; i < 216; ++i) {
        EXPECT_EQ(w[i], 0) << "padding at " << i;
    }
    EXPECT_EQ(At<uint64_t>(w, 104), 0u);
    EXPECT_EQ(At<uint64_t>(w, 112), 0u);
    EXPECT_EQ(At<INT32>(w, 120), 3);
    EXPECT_EQ(w[153], 9);
    EXPECT_EQ(w[154], 5);
    EXPECT_EQ(At<double>(w, 216 + 48 + 0), 3000001.0);
    EXPECT_EQ(At<double>(w, 216 + 48 + 8), 499999.0);
    EXPECT_EQ(At<INT32>(w, 216 + 48 + 20), 0x10000);
    EXPECT_EQ(At<double>(w, 216 + 96 + 24), 0.5);

    Owned<MapTrackObj> back(MapApiParseTrack(&g_MapApiLink, w.data(), 360), {kMapTypeTrack});
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->m_pText, "hello");
    ASSERT_EQ(back->m_nCount, 3);
    EXPECT_EQ(std::memcmp(back->m_pPoints, track->m_pPoints, 3 * sizeof(MapObjPoint)), 0);
    EXPECT_EQ(back->m_byGeomKind, 9);

    EXPECT_EQ(MapApiParseTrack(&g_MapApiLink, w.data(), 359), nullptr);
    Bytes longer = w;
    longer.push_back(0);
    EXPECT_EQ(MapApiParseTrack(&g_MapApiLink, longer.data(), 361), nullptr);
    EXPECT_EQ(MapApiParseTrack(&g_MapApiLink, w.data(), 203), nullptr);
    EXPECT_EQ(MapApiParseTrack(&g_MapApiLink, w.data(), 212), nullptr);  // shorter than H

    // Counts that are negative or whose byte size wraps 32 bits are refused.
    Bytes bad = w;
    PutAt<INT32>(bad, 120, -1);
    EXPECT_EQ(MapApiParseTrack(&g_MapApiLink, bad.data(), DWORD(bad.size())), nullptr);
    PutAt<INT32>(bad, 120, 0x5555556);  // 48 * this wraps to a small 32-bit number
    EXPECT_EQ(MapApiParseTrack(&g_MapApiLink, bad.data(), DWORD(bad.size())), nullptr);
    PutAt<DWORD>(bad, 200, 0xFFFFFFFCu);
    EXPECT_EQ(MapApiParseTrack(&g_MapApiLink, bad.data(), DWORD(bad.size())), nullptr);
}

TEST(MapObjRecords, TextThatEndsOnAMultipleOfEightGetsNoPadding) {
    Owned<MapTrackObj> track(MakeTrack("abcd", 1), {kMapTypeTrack});  // 204 + 4 = 208
    const Bytes w = Wire(track.get(), kMapTypeTrack);
    EXPECT_EQ(w.size(), 208u + 48u);
    Owned<MapTrackObj> back(MapApiParseTrack(&g_MapApiLink, w.data(), DWORD(w.size())), {kMapTypeTrack});
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->m_pText, "abcd");
}

TEST(MapObjRecords, ShapeAndSixtyThousandPointTrackRoundTrip) {
    Owned<MapShapeObj> shape(MapApiNewShape(&g_MapApiLink), {kMapTypeShape});
    std::strcpy(shape->m_szName, "Shape_x");
    shape->m_dStartAngle = 0;
    shape->m_dEndAngle = 360;
    shape->m_nHatchCount = 7;
    shape->m_crFill = 0x00FF00;
    shape->m_nCount = 4;
    shape->m_pPoints = static_cast<MapObjPoint*>(std::calloc(4, sizeof(MapObjPoint)));
    shape->m_pPoints[3].m_dX = 9.0;
    const Bytes sw = Wire(shape.get(), kMapTypeShape);
    EXPECT_EQ(sw.size(), 208u + 4 * 48u);
    EXPECT_EQ(At<double>(sw, 136), 360.0);
    EXPECT_EQ(At<WORD>(sw, 150), 7);
    EXPECT_EQ(At<DWORD>(sw, 156), 0x00FF00u);
    Owned<MapShapeObj> sback(MapApiParseShape(&g_MapApiLink, sw.data(), DWORD(sw.size())), {kMapTypeShape});
    ASSERT_NE(sback, nullptr);
    EXPECT_EQ(sback->m_pPoints[3].m_dX, 9.0);
    EXPECT_EQ(sback->m_nHatchCount, 7);

    Owned<MapTrackObj> big(MakeTrack(nullptr, kMapMaxPoints), {kMapTypeTrack});
    const Bytes bw = Wire(big.get(), kMapTypeTrack);
    EXPECT_EQ(bw.size(), 208u + 48u * kMapMaxPoints);
    Owned<MapTrackObj> bback(MapApiParseTrack(&g_MapApiLink, bw.data(), DWORD(bw.size())), {kMapTypeTrack});
    ASSERT_NE(bback, nullptr);
    EXPECT_EQ(bback->m_nCount, kMapMaxPoints);
    EXPECT_EQ(bback->m_pText, nullptr);
    EXPECT_EQ(bback->m_pPoints[kMapMaxPoints - 1].m_dY, 3000000.0 + kMapMaxPoints - 1);
}

TEST(MapObjRecords, FolderParsesOnlyAtExactly176Bytes) {
    Owned<MapFolderObj> folder(MapApiNewFolder(&g_MapApiLink), {kMapTypeFolder});
    std::strcpy(folder->m_szName, "图层0");
    folder->m_nChildCount = 4;
    folder->m_byExploded = 1;
    Bytes w = Wire(folder.get(), kMapTypeFolder);
    EXPECT_EQ(At<DWORD>(w, 100), 4u);
    EXPECT_EQ(w[115], 1);
    Owned<MapFolderObj> back(MapApiParseFolder(&g_MapApiLink, w.data(), 176), {kMapTypeFolder});
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->m_szName, "图层0");
    EXPECT_EQ(MapApiParseFolder(&g_MapApiLink, w.data(), 175), nullptr);
    w.push_back(0);
    EXPECT_EQ(MapApiParseFolder(&g_MapApiLink, w.data(), 177), nullptr);

    // A received name without its NUL is bounded by its field.
    Bytes noNul(176, 'A');
    back.reset(MapApiParseFolder(&g_MapApiLink, noNul.data(), 176));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::strlen(back->m_szName), 99u);
}

TEST(MapObjRecords, MultiPartRoundTripAcceptsLongerAndRefusesShorterOrOverreachingItems) {
    Owned<MapMultiObj> multi(MakeMulti({3, 0, 2}, "txt"), {kMapTypeMulti});
    const Bytes w = Wire(multi.get(), kMapTypeMulti);
    const size_t H = 488;  // Round8(484 + 3)
    ASSERT_EQ(w.size(), H + 3 * 1432 + 16 * 5);
    EXPECT_EQ(At<DWORD>(w, 480), 3u);
    EXPECT_EQ(At<INT32>(w, H + 1416), 3);
    EXPECT_EQ(At<uint64_t>(w, H + 1424), 0u);  // items pointer not on the wire
    EXPECT_EQ(w[H + 1432 + 0], 2);
    EXPECT_EQ(At<double>(w, H + 3 * 1432 + 16 * 3), 200.0);  // first item of the third part

    Owned<MapMultiObj> back(MapApiParseMulti(&g_MapApiLink, w.data(), DWORD(w.size())), {kMapTypeMulti});
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->m_nPartCount, 3);
    EXPECT_STREQ(back->m_pText, "txt");
    EXPECT_EQ(back->m_pParts[1].m_pItems, nullptr);
    ASSERT_NE(back->m_pParts[2].m_pItems, nullptr);
    EXPECT_EQ(back->m_pParts[2].m_pItems[1].m_dY, 201.0);
    EXPECT_EQ(back->m_pParts[2].m_pItems[1].m_dX, -1.0);
    EXPECT_EQ(back->m_pParts[0].m_data[1415], 0xAB);

    Bytes longer = w;
    longer.resize(w.size() + 100, 0xEE);
    back.reset(MapApiParseMulti(&g_MapApiLink, longer.data(), DWORD(longer.size())));
    EXPECT_NE(back, nullptr);

    // Shorter than the parts: refused. Items reaching past the end: refused, nothing leaks.
    EXPECT_EQ(MapApiParseMulti(&g_MapApiLink, w.data(), DWORD(H + 3 * 1432 - 1)), nullptr);
    EXPECT_EQ(MapApiParseMulti(&g_MapApiLink, w.data(), DWORD(w.size() - 1)), nullptr);
    Bytes bad = w;
    PutAt<INT32>(bad, H + 1432 + 1416, 0x7FFFFFFF);
    EXPECT_EQ(MapApiParseMulti(&g_MapApiLink, bad.data(), DWORD(bad.size())), nullptr);
    PutAt<INT32>(bad, H + 1432 + 1416, -2);
    EXPECT_EQ(MapApiParseMulti(&g_MapApiLink, bad.data(), DWORD(bad.size())), nullptr);
    bad = w;
    PutAt<INT32>(bad, 120, -1);
    EXPECT_EQ(MapApiParseMulti(&g_MapApiLink, bad.data(), DWORD(bad.size())), nullptr);
    PutAt<INT32>(bad, 120, 0x2DC4A1);  // 1432 * this wraps 32 bits
    EXPECT_EQ(MapApiParseMulti(&g_MapApiLink, bad.data(), DWORD(bad.size())), nullptr);
}

TEST(MapObjRecords, SerializeRefusesUnknownTypesAndRecordsItCannotWriteFaithfully) {
    Owned<MapTrackObj> track(MakeTrack(nullptr, 0), {kMapTypeTrack});
    DWORD size = 1234;
    EXPECT_EQ(MapApiSerializeObj(&g_MapApiLink, track.get(), 99, &size), nullptr);
    EXPECT_EQ(size, 1234u);
    track->m_nCount = 2;  // a count without its array
    EXPECT_EQ(MapApiSerializeObj(&g_MapApiLink, track.get(), kMapTypeTrack, &size), nullptr);
    track->m_nCount = -1;
    EXPECT_EQ(MapApiSerializeObj(&g_MapApiLink, track.get(), kMapTypeTrack, &size), nullptr);
    EXPECT_EQ(size, 1234u);
    track->m_nCount = 0;

    Owned<MapMultiObj> multi(MakeMulti({1}, nullptr), {kMapTypeMulti});
    multi->m_pParts[0].m_nItemCount = -3;
    EXPECT_EQ(MapApiSerializeObj(&g_MapApiLink, multi.get(), kMapTypeMulti, &size), nullptr);
    multi->m_pParts[0].m_nItemCount = 1;

    MapApiFreeObj(&g_MapApiLink, nullptr, kMapTypeMulti);  // null is accepted
    void* other = MapApiCalloc(16);
    MapApiFreeObj(&g_MapApiLink, other, 42);  // any other type: the record alone
}

TEST(MapObjRecords, BufferGrowsToTwiceTheNeedPlusTenAndRefusesNegativeCounts) {
    MapApiBuf buf = {};
    const BYTE head[16] = {101};
    ASSERT_TRUE(MapApiBufAppend(&buf, head, 16));
    EXPECT_EQ(buf.m_nUsed, 16u);
    EXPECT_EQ(buf.m_nCapacity, 42u);
    const std::vector<BYTE> more(30, 7);
    ASSERT_TRUE(MapApiBufAppend(&buf, more.data(), 26));  // fits exactly: no growth
    EXPECT_EQ(buf.m_nCapacity, 42u);
    ASSERT_TRUE(MapApiBufAppend(&buf, more.data(), 1));
    EXPECT_EQ(buf.m_nCapacity, 96u);
    EXPECT_EQ(buf.m_nUsed, 43u);
    EXPECT_FALSE(MapApiBufAppend(&buf, more.data(), -1));
    EXPECT_EQ(buf.m_nUsed, 43u);
    EXPECT_EQ(buf.m_pData[0], 101);
    EXPECT_EQ(buf.m_pData[42], 7);
    std::free(buf.m_pData);

    char* s = MapApiStrDup("abc", 2u);
    EXPECT_STREQ(s, "ab");
    std::free(s);
    EXPECT_EQ(MapApiStrDup(nullptr), nullptr);
}

// The packet writer appends wire forms in place: the bytes must be those of MapApiSerializeObj, every one of
// them written (the buffer's spare room is dirty), and a refused record must leave the buffer as it was.
TEST(MapObjRecords, AppendingInPlaceWritesTheSerializedBytesAndRefusesWithoutATrace) {
    Owned<MapFolderObj> folder(MapApiNewFolder(&g_MapApiLink), {kMapTypeFolder});
    std::strcpy(folder->m_szName, "layer");
    Owned<MapMarkObj> mark(MapApiNewMarker(&g_MapApiLink), {kMapTypeMark});
    std::strcpy(mark->m_szName, "Mark_1");
    mark->m_pText = MapApiStrDup("remark");
    mark->m_dY = 3e6;
    Owned<MapTrackObj> track(MakeTrack("five5", 3), {kMapTypeTrack});  // padded from 209 to 216
    Owned<MapShapeObj> shape(MapApiNewShape(&g_MapApiLink), {kMapTypeShape});
    Owned<MapMultiObj> multi(MakeMulti({2, 0, 1}, "t"), {kMapTypeMulti});
    const std::pair<const void*, int> records[] = {{folder.get(), kMapTypeFolder},
                                                   {mark.get(), kMapTypeMark},
                                                   {track.get(), kMapTypeTrack},
                                                   {shape.get(), kMapTypeShape},
                                                   {multi.get(), kMapTypeMulti}};

    MapApiBuf buf = {};
    buf.m_nCapacity = 20000;
    buf.m_pData = static_cast<BYTE*>(std::malloc(buf.m_nCapacity));
    std::memset(buf.m_pData, 0xCD, buf.m_nCapacity);
    Bytes expected;
    for (const auto& [obj, type] : records) {
        const Bytes wire = Wire(obj, type);
        ASSERT_FALSE(wire.empty()) << "type " << type;
        DWORD size = 0;
        ASSERT_TRUE(MapApiBufAppendObj(&g_MapApiLink, &buf, obj, type, &size)) << "type " << type;
        EXPECT_EQ(size, wire.size()) << "type " << type;
        expected.insert(expected.end(), wire.begin(), wire.end());
    }
    ASSERT_EQ(buf.m_nUsed, expected.size());
    EXPECT_EQ(Bytes(buf.m_pData, buf.m_pData + buf.m_nUsed), expected);
    EXPECT_EQ(buf.m_nCapacity, 20000u);  // it fitted: no growth

    track->m_nCount = -1;
    EXPECT_FALSE(MapApiBufAppendObj(&g_MapApiLink, &buf, track.get(), kMapTypeTrack, nullptr));
    EXPECT_FALSE(MapApiBufAppendObj(&g_MapApiLink, &buf, mark.get(), 99, nullptr));
    EXPECT_EQ(buf.m_nUsed, expected.size());
    track->m_nCount = 3;

    // Past the capacity it grows by the rule of MapApiBufAppend.
    buf.m_nUsed = buf.m_nCapacity - 10;
    DWORD size = 0;
    ASSERT_TRUE(MapApiBufAppendObj(&g_MapApiLink, &buf, track.get(), kMapTypeTrack, &size));
    EXPECT_EQ(buf.m_nCapacity, (20000u - 10 + size) * 2 + 10);
    EXPECT_EQ(buf.m_nUsed, 20000u - 10 + size);
    EXPECT_EQ(At<DWORD>(Bytes(buf.m_pData + 19990, buf.m_pData + buf.m_nUsed), 200), 5u);
    std::free(buf.m_pData);
}

}  // namespace
