// Drawing files as untrusted input: ownership a file cannot grant, numbers that are not finite, handles at
// the end of their range. Whatever reads must be sound and save to a file that reopens.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dxfio.h"
#include "platform/dxf/dxf_fixture.h"

namespace tarntest {

namespace {

using Pairs = std::vector<std::pair<int, std::string>>;

std::string Dxf(const std::vector<Pairs>& sections) {
    std::string text;
    for (const Pairs& section : sections) {
        for (const auto& [code, value] : section) {
            text += std::to_string(code) + "\n" + value + "\n";
        }
    }
    return text + "0\nEOF";
}

Pairs Section(const std::string& name, const Pairs& body) {
    Pairs out{{0, "SECTION"}, {2, name}};
    out.insert(out.end(), body.begin(), body.end());
    out.push_back({0, "ENDSEC"});
    return out;
}

Pairs Line(const std::string& handle, const Pairs& head = {}) {
    Pairs out{{0, "LINE"}, {5, handle}};
    out.insert(out.end(), head.begin(), head.end());
    out.insert(
        out.end(),
        {{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbLine"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "1"}});
    return out;
}

Pairs Dictionary(const std::string& handle, const std::string& owner, const Pairs& entries) {
    Pairs out{{0, "DICTIONARY"}, {5, handle}, {330, owner}, {100, "AcDbDictionary"}, {281, "1"}};
    out.insert(out.end(), entries.begin(), entries.end());
    return out;
}

Pairs Join(std::initializer_list<Pairs> parts) {
    Pairs out;
    for (const Pairs& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

class DxfUntrusted : public DxfTest {
protected:
    // Reads the text into db; then db must be sound and reopen sound after a save.
    void Read(const std::string& text) {
        ASSERT_EQ(platform::ReadDxf(db.get(), text), Acad::eOk) << platform::LastDxfError().message;
        EXPECT_EQ(platform::CheckDatabase(db.get()), "");
        SaveAndReopen();
    }

    // The keys of a dictionary with the handle each names ("" for a missing dictionary).
    std::string Keys(AcDbObjectId dictId) const {
        const auto* dict = AcDbDictionary::cast(platform::detail::Peek(dictId));
        if (dict == nullptr) {
            return "";
        }
        std::string keys;
        for (const AcDbDictionary::Entry& entry : dict->tarnEntries()) {
            keys += platform::Utf16ToUtf8(entry.key) + "=" + std::to_string(entry.id.handle().value()) + " ";
        }
        return keys;
    }

    AcDbObjectId ByHandle(std::uint64_t handle) const {
        AcDbObjectId id;
        db->getAcDbObjectId(id, false, AcDbHandle(handle));
        return id;
    }
};

TEST_F(DxfUntrusted, DictionariesListOnlyObjectsNothingElseOwns) {
    // The root lists an entity (0x30), a layer (0x10), two dictionaries that both list one Xrecord, and the
    // extension dictionary of the line (0x61); dictionary 0x51 lists the root and 0x50, which lists it back.
    // 0x52 and 0x53, outside the root, name each other as owner and list each other.
    const Pairs tables = Section("TABLES", {{0, "TABLE"},
                                            {2, "LAYER"},
                                            {0, "LAYER"},
                                            {5, "10"},
                                            {100, "AcDbSymbolTableRecord"},
                                            {100, "AcDbLayerTableRecord"},
                                            {2, "Walls"},
                                            {70, "0"},
                                            {0, "ENDTAB"}});
    const Pairs entities =
        Section("ENTITIES", Line("30", {{102, "{ACAD_XDICTIONARY"}, {360, "61"}, {102, "}"}}));
    const Pairs objects = Section(
        "OBJECTS",
        Join({Dictionary("C", "0",
                         {{3, "E"},
                          {350, "30"},
                          {3, "L"},
                          {350, "10"},
                          {3, "A"},
                          {350, "50"},
                          {3, "B"},
                          {350, "51"},
                          {3, "X"},
                          {350, "61"}}),
              Dictionary("50", "C", {{3, "Shared"}, {350, "60"}, {3, "Up"}, {350, "51"}}),
              {{0, "XRECORD"}, {5, "60"}, {330, "51"}, {100, "AcDbXrecord"}, {280, "1"}, {1, "shared"}},
              Dictionary("51", "C",
                         {{3, "Shared"}, {350, "60"}, {3, "Root"}, {350, "C"}, {3, "Down"}, {350, "50"}}),
              Dictionary("61", "30", {}),
              Dictionary("52", "53", {{3, "C"}, {350, "53"}}),
              Dictionary("53", "52", {{3, "D"}, {350, "52"}})}));
    Read(Dxf({tables, entities, objects}));

    // The root keeps only its dictionaries; the Xrecord stays with the dictionary it names as its owner.
    EXPECT_EQ(Keys(db->namedObjectsDictionaryId()), "A=80 B=81 ");
    EXPECT_EQ(Keys(ByHandle(0x50)), "");
    EXPECT_EQ(Keys(ByHandle(0x51)), "Shared=96 ");
    // Two dictionaries outside the root that list each other: the first keeps the second, not the reverse.
    EXPECT_EQ(Keys(ByHandle(0x52)), "C=83 ");
    EXPECT_EQ(Keys(ByHandle(0x53)), "");
    EXPECT_TRUE(platform::detail::Peek(ByHandle(0x52))->ownerId().isNull());  // 0x53 does not list it
    // The line is still in model space and has its extension dictionary; the layer is in its table.
    const AcDbObject* line = platform::detail::Peek(ByHandle(0x30));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->extensionDictionary(), ByHandle(0x61));
    EXPECT_EQ(platform::detail::Peek(ByHandle(0x61))->ownerId(), ByHandle(0x30));
    EXPECT_EQ(platform::detail::Peek(ByHandle(0x10))->ownerId(), db->layerTableId());
    EXPECT_EQ(Keys(reopened->namedObjectsDictionaryId()).size(), Keys(db->namedObjectsDictionaryId()).size());
}

TEST_F(DxfUntrusted, NumbersThatAreNotFiniteRefuseTheFile) {
    for (const char* value : {"inf", "-INF", "nan", "NaN(1)", "infinity", "1e999"}) {
        const Pairs arc{{0, "ARC"}, {8, "0"},         {100, "AcDbCircle"}, {10, "0"},  {20, "0"},
                        {40, "1"},  {100, "AcDbArc"}, {50, "0"},           {51, value}};
        EXPECT_EQ(platform::ReadDxf(db.get(), Dxf({Section("ENTITIES", arc)})), Acad::eDxfReadAborted)
            << value;
        EXPECT_EQ(platform::LastDxfError().line, 22) << value;
        const Pairs line{{0, "LINE"}, {8, "0"}, {10, value}, {20, "0"}, {11, "1"}, {21, "1"}};
        EXPECT_EQ(platform::ReadDxf(db.get(), Dxf({Section("ENTITIES", line)})), Acad::eDxfReadAborted)
            << value;
    }
    double radians = 0;
    EXPECT_FALSE(platform::dxf::ParseDegrees("1e400", radians));  // a long double, but no double in radians
    EXPECT_TRUE(platform::dxf::ParseDegrees(" +90 ", radians));
    EXPECT_DOUBLE_EQ(radians, 3.14159265358979323846 / 2);
}

TEST_F(DxfUntrusted, HandlesNeverWrap) {
    // A seed at the end of the range is taken from the handles in use instead; an object under the last
    // handle is renumbered, and the dictionary that lists it still finds it.
    const Pairs header = Section("HEADER", {{9, "$HANDSEED"}, {5, "FFFFFFFFFFFFFFFF"}});
    const Pairs entities = Section("ENTITIES", Line("FFFFFFFFFFFFFFFF"));
    const Pairs objects =
        Section("OBJECTS", Join({Dictionary("C", "0", {{3, "D"}, {350, "FFFFFFFFFFFFFFFE"}}),
                                 Dictionary("FFFFFFFFFFFFFFFE", "C", {})}));
    Read(Dxf({header, entities, objects}));
    EXPECT_LT(db->handseed().value(), platform::kHandleLimit);
    AcDbObjectId dict;
    const auto* root = AcDbDictionary::cast(platform::detail::Peek(db->namedObjectsDictionaryId()));
    ASSERT_EQ(root->getAt(u"D", dict), Acad::eOk);
    EXPECT_LT(dict.handle().value(), platform::kHandleLimit);

    // A database whose seed reached the limit refuses further objects rather than wrap.
    EXPECT_EQ(platform::SetHandseed(db.get(), AcDbHandle(platform::kHandleLimit + 1)), Acad::eInvalidInput);
    ASSERT_EQ(platform::SetHandseed(db.get(), AcDbHandle(platform::kHandleLimit)), Acad::eOk);
    auto* xrecord = new AcDbXrecord();
    AcDbObjectId id;
    EXPECT_EQ(db->addAcDbObject(id, xrecord), Acad::eOutOfRange);
    delete xrecord;
    EXPECT_EQ(platform::CheckDatabase(db.get()), "");
}

TEST_F(DxfUntrusted, AHandleTakenTwiceRefusesTheFileLowOrHigh) {
    // Low handles and handles far above the others are kept apart by the reader: a clash counts in both.
    for (const char* handle : {"1F0", "FFFFFFFFFFFFFF0"}) {
        const Pairs entities =
            Section("ENTITIES", Join({Line("1E0"), Line(handle), Line("1E1"), Line(handle)}));
        EXPECT_EQ(platform::ReadDxf(db.get(), Dxf({entities})), Acad::eDxfReadAborted) << handle;
        EXPECT_NE(platform::LastDxfError().message.find("is used twice"), std::string::npos) << handle;
    }
    const Pairs distinct =
        Section("ENTITIES", Join({Line("1E0"), Line("FFFFFFFFFFFFFF0"), Line("FFFFFFFFFFFFFF1")}));
    EXPECT_EQ(platform::ReadDxf(db.get(), Dxf({distinct})), Acad::eOk);
}

TEST_F(DxfUntrusted, RecordNamesThatDifferOnlyInCaseKeepTheFirst) {
    auto layer = [](const std::string& handle, const std::string& name, const std::string& color) {
        return Pairs{{0, "LAYER"},
                     {5, handle},
                     {100, "AcDbSymbolTableRecord"},
                     {100, "AcDbLayerTableRecord"},
                     {2, name},
                     {70, "0"},
                     {62, color}};
    };
    const Pairs tables = Section("TABLES", Join({Pairs{{0, "TABLE"}, {2, "LAYER"}}, layer("A0", "Roads", "1"),
                                                 layer("A1", "ROADS", "2"), layer("A2", "r\\U+00D6ads", "3"),
                                                 layer("A3", "R\\U+00F6ADS", "4"), Pairs{{0, "ENDTAB"}}}));
    ASSERT_EQ(platform::ReadDxf(db.get(), Dxf({tables})), Acad::eOk);
    const auto* layers = AcDbLayerTable::cast(platform::detail::Peek(db->layerTableId()));
    const auto* roads = AcDbLayerTableRecord::cast(platform::detail::Peek(layers->tarnFind(u"rOADS")));
    ASSERT_NE(roads, nullptr);
    EXPECT_EQ(std::u16string(roads->tarnName()), u"Roads");
    EXPECT_EQ(roads->color().colorIndex(), 1);
    const auto* umlaut = AcDbLayerTableRecord::cast(platform::detail::Peek(layers->tarnFind(u"R\u00d6ADS")));
    ASSERT_NE(umlaut, nullptr);
    EXPECT_EQ(umlaut->color().colorIndex(), 3);
    EXPECT_EQ(layers->tarnRecordIds().size(), 3u);  // "0", "Roads" and the one with an umlaut
    EXPECT_EQ(platform::CheckDatabase(db.get()), "");
}

TEST(DxfValues, ShortDecimalsReadAsTheFullParseDoes) {
    std::mt19937_64 random(17);
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "5.",
                                      ".5",
                                      "-.5",
                                      "123456789012345",
                                      "1234567890123456",
                                      "0.000000000000001",
                                      "99999999999999.9",
                                      "-4503599627370497",
                                      "9007199254740993",
                                      "0.1",
                                      "1.7976931348623157"};
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, static_cast<double>(random() % 16) - 6.0);
        const double value = (static_cast<double>(random() % 2000001) - 1000000.0) / 1000000.0 * magnitude;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(random() % 12), value);
        texts.emplace_back(buffer);
    }
    // Every double as other programs write it: 16 and 17 significant digits.
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, static_cast<double>(random() % 14) - 4.0);
        const double value = static_cast<double>(random() >> 11) / 9007199254740992.0 * magnitude;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(random() % 18), i % 2 ? value : -value);
        texts.emplace_back(buffer);
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
        if (std::strchr(buffer, 'e') == nullptr) {
            texts.emplace_back(buffer);
        }
    }
    // Exactly halfway between two doubles (2^53 + 1 and its neighbours scaled by powers of ten; halves of
    // odd multiples of 2^-k), where a rounding twice would go wrong.
    for (const char* halfway :
         {"9007199254740993", "9007199254740995", "900719925474099.3", "90071992547409.93",
          "18014398509481987", "18014398509481986", "1801439850948198.6", "4503599627370496.5",
          "4503599627370497.5", "0.50000000000000005551115123125783", "1.0000000000000001110223024625157"}) {
        texts.emplace_back(halfway);
    }
    for (const std::string& text : texts) {
        double expected = 0.0;
        ASSERT_EQ(std::from_chars(text.data(), text.data() + text.size(), expected).ec, std::errc()) << text;
        double read = 1.0;
        ASSERT_TRUE(platform::dxf::ParseReal(text, read)) << text;
        EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << text << " " << read << " " << expected;
    }
    for (const char* bad : {"", "-", ".", "1.2.3", "1-", "--1", "1 2", "0x10"}) {
        double read = 0.0;
        EXPECT_FALSE(platform::dxf::ParseReal(bad, read)) << bad;
    }
}

TEST_F(DxfUntrusted, LinetypeFilesWithValuesThatAreNotNumbersLoadTheRest) {
    const std::string path = Path("broken.lin");
    WriteText(path,
              "*BAD,Bad\nA,12.7,inf\n*WORSE,Worse\nA,nan,-1\n*GOOD,Good\nA,1,-1e999\n*FINE,Fine\nA,1,-0.5\n");
    EXPECT_EQ(acdbLoadLineTypeFile(u"*", platform::Utf8ToUtf16(path).c_str(), db.get()), Acad::eOk);
    AcDbLinetypeTable* table = nullptr;
    ASSERT_EQ(db->getLinetypeTable(table, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(table->has(u"BAD"));
    EXPECT_FALSE(table->has(u"WORSE"));
    EXPECT_FALSE(table->has(u"GOOD"));
    EXPECT_TRUE(table->has(u"FINE"));
    table->close();
    EXPECT_EQ(acdbLoadLineTypeFile(u"BAD", platform::Utf8ToUtf16(path).c_str(), db.get()),
              Acad::eKeyNotFound);
    SaveAndReopen();
}

}  // namespace

}  // namespace tarntest
